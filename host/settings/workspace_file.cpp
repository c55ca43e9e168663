#include "workspace_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kovadex {

namespace {

const char kFormatKey[] = "format";
const char kFormatName[] = "kovadex-workspace-1";

FileResult Failure(const std::string& what) {
    return {false, what};
}

std::string SystemError(int error) {
    return std::strerror(error);
}

// Sections and keys are percent-encoded, so that "/", "\" and any other byte survive
// QSettings' own key rules. An empty name is written as an encoded NUL, which no C text holds.
QString EncodeName(const std::string& name) {
    if (name.empty()) {
        return QString::fromLatin1("%00");
    }
    return QString::fromLatin1(QByteArray::fromStdString(name).toPercentEncoding());
}

std::string DecodeName(const QString& encoded) {
    const QByteArray name = QByteArray::fromPercentEncoding(encoded.toLatin1());
    return name == QByteArray(1, '\0') ? std::string() : name.toStdString();
}

// An integer is a decimal number in 32 bits; a text is a byte array.
bool DecodeValue(const QVariant& value, StoredValue& decoded) {
    if (value.typeId() == QMetaType::QByteArray) {
        decoded = value.toByteArray().toStdString();
        return true;
    }
    if (value.typeId() != QMetaType::QString) {
        return false;
    }
    bool ok = false;
    const int number = value.toString().toInt(&ok, 10);
    decoded = static_cast<int32_t>(number);
    return ok;
}

FileResult ReadSections(QSettings& settings, const std::string& path, Workspace& read) {
    for (const QString& group : settings.childGroups()) {
        settings.beginGroup(group);
        for (const QString& key : settings.childKeys()) {
            StoredValue value;
            if (!DecodeValue(settings.value(key), value)) {
                settings.endGroup();
                return Failure(path + ": the value of " + group.toStdString() + "/" +
                               key.toStdString() + " is neither a number nor a text");
            }
            read[{DecodeName(group), DecodeName(key)}] = std::move(value);
        }
        settings.endGroup();
    }
    return {true, {}};
}

FileResult SyncToDisk(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return Failure("cannot open " + path.toStdString() + ": " + SystemError(errno));
    }
    const bool synced = ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    if (!synced) {
        return Failure("cannot write " + path.toStdString() +
                       " to the disk: " + SystemError(error));
    }
    return {true, {}};
}

FileResult WriteSettings(const QString& temporaryPath, const Workspace& workspace) {
    QSettings settings(temporaryPath, QSettings::IniFormat);
    settings.setValue(QString::fromLatin1(kFormatKey), QString::fromLatin1(kFormatName));
    for (const auto& [name, value] : workspace) {
        const QString key = EncodeName(name.first) + QChar(u'/') + EncodeName(name.second);
        if (const auto* number = std::get_if<int32_t>(&value)) {
            settings.setValue(key, QString::number(*number));
        } else {
            settings.setValue(key, QByteArray::fromStdString(std::get<std::string>(value)));
        }
    }
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        return Failure("cannot write " + temporaryPath.toStdString() +
                       " (the disk may be full or the folder not writable)");
    }
    return SyncToDisk(temporaryPath);
}

// A new empty file beside `name` under a name that no other file has (mkstemp tries again
// on a clash, also with a file that a killed save left behind).
FileResult CreateFileBeside(const QString& name, QString& created) {
    QByteArray pattern = QFile::encodeName(name) + QByteArray(".XXXXXX");
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        return Failure("cannot create a file beside " + name.toStdString() + ": " +
                       SystemError(errno));
    }
    ::close(fd);
    created = QFile::decodeName(pattern);
    return {true, {}};
}

FileResult VerifyAndReplace(const QString& written, const QString& name,
                            const Workspace& workspace) {
    Workspace check;
    FileResult result = ReadWorkspaceFile(written.toStdString(), check);
    if (!result.ok || check != workspace) {
        result = Failure("cannot write " + name.toStdString() +
                         " whole (the disk may be full): the previous file is kept");
    }
    if (result.ok && std::rename(QFile::encodeName(written).constData(),
                                 QFile::encodeName(name).constData()) != 0) {
        result = Failure("cannot replace " + name.toStdString() + ": " + SystemError(errno));
    }
    if (result.ok) {
        // The rename reaches the disk with the folder's entry.
        SyncToDisk(QFileInfo(name).absolutePath());
    }
    return result;
}

}  // namespace

FileResult ReadWorkspaceFile(const std::string& path, Workspace& workspace) {
    const QString name = QFile::decodeName(path.c_str());
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
        return Failure("cannot read " + path + ": " + file.errorString().toStdString());
    }
    file.close();
    QSettings settings(name, QSettings::IniFormat);
    const QVariant format = settings.value(QString::fromLatin1(kFormatKey));
    if (settings.status() == QSettings::FormatError) {
        return Failure(path + " is not a valid INI file");
    }
    if (settings.status() != QSettings::NoError) {
        return Failure("cannot read " + path);
    }
    if (format.toString() != QString::fromLatin1(kFormatName)) {
        return Failure(path + " is not a workspace file (no line \"format=" + kFormatName + "\")");
    }
    Workspace read;
    const FileResult result = ReadSections(settings, path, read);
    if (result.ok) {
        workspace = std::move(read);
    }
    return result;
}

FileResult WriteWorkspaceFile(const std::string& path, const Workspace& workspace) {
    const QString name = QFile::decodeName(path.c_str());
    QString temporary;
    FileResult result = CreateFileBeside(name, temporary);
    if (!result.ok) {
        return result;
    }
    if (QFileInfo::exists(name)) {
        QFile::setPermissions(temporary, QFile::permissions(name));
    }
    result = WriteSettings(temporary, workspace);
    // QSettings does not notice every failed write (a full disk can leave a short file), so
    // the file is read back before it replaces the previous one. Read under a name of its
    // own, QSettings cannot answer from what it remembers of the write.
    const QString written = temporary + QString::fromLatin1(".written");
    if (result.ok && !QFile::rename(temporary, written)) {
        result = Failure("cannot rename a file beside " + path);
    }
    if (result.ok) {
        result = VerifyAndReplace(written, name, workspace);
    }
    QFile::remove(temporary);
    QFile::remove(written);
    return result;
}

}  // namespace kovadex
