#include <gmock/gmock.h>

#include <QByteArray>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "core/workspace_samples.h"
#include "workspace_format.h"

// The store's format against QSettings itself, where Qt is.
namespace {

using kovadex::FormatWorkspace;
using kovadex::ParseWorkspace;
using kovadex::StoredValue;
using kovadex::Workspace;
using kovadex_test::HostileWorkspace;

// The form that earlier versions wrote through QSettings: names percent-encoded (an empty one
// as an encoded NUL), integers as decimal strings and texts as byte arrays.
class QSettingsFiles : public ::testing::Test {
protected:
    static QString OldName(const std::string& name) {
        return name.empty()
                   ? QString::fromLatin1("%00")
                   : QString::fromLatin1(QByteArray::fromStdString(name).toPercentEncoding());
    }
    static std::string OldDecodedName(const QString& encoded) {
        const QByteArray name = QByteArray::fromPercentEncoding(encoded.toLatin1());
        return name == QByteArray(1, '\0') ? std::string() : name.toStdString();
    }

    // Each file has a name of its own: QSettings answers from memory for a name it has seen.
    QString NewPath() { return m_dir.filePath(QString("file%1.ini").arg(++m_files)); }

    std::string WriteWithQSettings(const Workspace& workspace) {
        const QString path = NewPath();
        {
            QSettings settings(path, QSettings::IniFormat);
            settings.setValue("format", "kovadex-workspace-1");
            for (const auto& [name, value] : workspace) {
                const QString key = OldName(name.first) + "/" + OldName(name.second);
                if (const auto* number = std::get_if<int32_t>(&value)) {
                    settings.setValue(key, QString::number(*number));
                } else {
                    settings.setValue(key, QByteArray::fromStdString(std::get<std::string>(value)));
                }
            }
        }
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll().toStdString();
    }

    Workspace ReadWithQSettings(const std::string& text) {
        const QString path = NewPath();
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray::fromStdString(text));
        file.close();
        QSettings settings(path, QSettings::IniFormat);
        EXPECT_EQ(settings.status(), QSettings::NoError);
        EXPECT_EQ(settings.value("format").toString(), "kovadex-workspace-1");
        Workspace read;
        for (const QString& group : settings.childGroups()) {
            settings.beginGroup(group);
            for (const QString& key : settings.childKeys()) {
                const QVariant value = settings.value(key);
                StoredValue& slot = read[{OldDecodedName(group), OldDecodedName(key)}];
                if (value.typeId() == QMetaType::QByteArray) {
                    slot = value.toByteArray().toStdString();
                } else {
                    slot = static_cast<int32_t>(value.toString().toInt());
                }
            }
            settings.endGroup();
        }
        return read;
    }

    QTemporaryDir m_dir;
    int m_files = 0;
};

// Texts of every pair of bytes, and of a byte after an escape followed by two more.
std::vector<Workspace> ByteSequenceWorkspaces() {
    std::vector<Workspace> workspaces(4);
    for (int first = 0; first < 256; ++first) {
        for (int second = 0; second < 256; ++second) {
            workspaces[first / 64][{"pairs", std::to_string(first * 256 + second)}] =
                std::string{static_cast<char>(first), static_cast<char>(second)};
        }
    }
    for (const char first : std::string("\x00\x01\x0f\x1f\x7f\x80\xff a\\\"", 11)) {
        for (const char second : std::string("09afAFgG \\\"\x01")) {
            for (const char third : std::string("09afgG\x01")) {
                workspaces[0][{"triples", std::string{first, second, third}}] =
                    std::string{first, second, third};
            }
        }
    }
    return workspaces;
}

TEST_F(QSettingsFiles, AreReadAsQSettingsReadThem) {
    std::vector<Workspace> workspaces = ByteSequenceWorkspaces();
    workspaces.push_back(HostileWorkspace());
    // QSettings writes "general" in any letter case as "[%General]", and reads it as "General".
    workspaces.back().erase({"general", "k"});
    workspaces.back().erase({"GENERAL", "k"});
    for (const Workspace& workspace : workspaces) {
        const kovadex::ParsedWorkspace parsed = ParseWorkspace(WriteWithQSettings(workspace));
        ASSERT_TRUE(parsed.ok) << parsed.error;
        EXPECT_TRUE(parsed.workspace == workspace);
    }
}

TEST_F(QSettingsFiles, AreWrittenByteForByteAsQSettingsWroteThem) {
    std::vector<Workspace> workspaces = ByteSequenceWorkspaces();
    workspaces.push_back(HostileWorkspace());
    workspaces.back().erase({"general", "k"});
    workspaces.back().erase({"GENERAL", "k"});
    for (const Workspace& workspace : workspaces) {
        EXPECT_TRUE(FormatWorkspace(workspace) == WriteWithQSettings(workspace));
    }
}

TEST_F(QSettingsFiles, QSettingsReadsWhatIsWritten) {
    std::vector<Workspace> workspaces = ByteSequenceWorkspaces();
    workspaces.push_back(HostileWorkspace());
    for (const Workspace& workspace : workspaces) {
        EXPECT_TRUE(ReadWithQSettings(FormatWorkspace(workspace)) == workspace);
    }
}

}  // namespace
