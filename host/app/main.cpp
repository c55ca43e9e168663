// tolvane-host: a reference host. Loads the plug-in the way a decoder application does,
// feeds it groups from a file or standard input at the RDS rate, forwards commands, and
// prints the plug-in's statistics when it ends.
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>
#include <fstream>
#include <iostream>

#include "group_text.h"
#include "plugin_library.h"

namespace {

constexpr double kRdsGroupsPerSecond = 1187.5 / 104.0;

struct Options {
    QString pluginPath;
    QString groupsPath;
    QStringList commands;
    int workspace = 1;
    double rate = kRdsGroupsPerSecond;
    double quitAfter = -1;
    QString screenshotDir;
};

void AddOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        "Loads tolvane.so like a decoder application and feeds it RDS groups.");
    parser.addHelpOption();
    parser.addOptions({
        {"plugin", "The plug-in to load.", "path"},
        {"groups", "Groups as hex lines (\"-\" for standard input).", "file"},
        {"command", "A command to send after Initialize (repeatable).", "word"},
        {"workspace", "The workspace number sent with each command.", "n", "1"},
        {"rate", "Groups per second; 0 sends them as fast as possible.", "r"},
        {"quit-after", "Stop after this many seconds.", "s"},
        {"screenshots", "Render each tab of the window into the folder and stop.", "dir"},
        {"write-sample", "Write the built-in sample groups to the file and stop.", "file"},
    });
}

QString DefaultPluginPath() {
    return QDir(QCoreApplication::applicationDirPath()).filePath("../lib/tolvane.so");
}

std::vector<HostGroupRecord> LoadGroups(const QString& path) {
    if (path.isEmpty()) {
        return {};
    }
    GroupFile file;
    if (path == "-") {
        file = ReadGroups(std::cin);
    } else {
        std::ifstream in(path.toStdString());
        if (!in) {
            std::fprintf(stderr, "tolvane-host: cannot read %s\n", qPrintable(path));
            return {};
        }
        file = ReadGroups(in);
    }
    if (file.rejectedLines > 0) {
        std::fprintf(stderr, "tolvane-host: %d lines were no group and were skipped\n",
                     file.rejectedLines);
    }
    return std::move(file.groups);
}

int SaveScreenshots(QWidget* window, const QString& dir) {
    auto* pages = window->findChild<QTabWidget*>("PageControl1");
    QDir().mkpath(dir);
    const char* files[] = {"statistics.png", "group-filter.png", "rds-encoder.png", "about.png"};
    for (int i = 0; i < pages->count() && i < 4; ++i) {
        pages->setCurrentIndex(i);
        QApplication::processEvents();
        const QString path = QDir(dir).filePath(files[i]);
        if (!window->grab().save(path)) {
            std::fprintf(stderr, "tolvane-host: cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s\n", qPrintable(path));
    }
    pages->setCurrentIndex(0);
    return 0;
}

void PrintStatistics(QWidget* window) {
    const char* rows[][2] = {{"Label3", "LR"}, {"Label9", "LE"},  {"Label10", "LF"},
                             {"Label4", "LW"}, {"Label11", "LL"}, {"Label5", "LS"}};
    for (const auto& row : rows) {
        auto* caption = window->findChild<QLabel*>(row[0]);
        auto* value = window->findChild<QLabel*>(row[1]);
        if (caption != nullptr && value != nullptr) {
            std::printf("%-40s %s\n", qPrintable(caption->text()), qPrintable(value->text()));
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    QCommandLineParser parser;
    AddOptions(parser);
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "tolvane-host: %s\n", qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet("help")) {
        std::printf("%s", qPrintable(parser.helpText()));
        return 0;
    }
    if (parser.isSet("write-sample")) {
        std::ofstream out(parser.value("write-sample").toStdString());
        out << "# Sample groups of a made-up station, written by tolvane-host --write-sample\n";
        for (const HostGroupRecord& group : SampleGroups(342)) {
            out << FormatGroupLine(group) << '\n';
        }
        return out ? 0 : 1;
    }

    QApplication app(argc, argv);
    PluginLibrary plugin;
    const QString path = parser.isSet("plugin") ? parser.value("plugin") : DefaultPluginPath();
    if (!plugin.Load(path.toStdString())) {
        std::fprintf(stderr, "tolvane-host: %s\n", plugin.Error().c_str());
        return 2;
    }
    std::printf("loaded %s: %s\n", qPrintable(path), plugin.PluginName());
    auto* window = static_cast<QWidget*>(plugin.Initialize(0, 0));
    if (window == nullptr) {
        std::fprintf(stderr, "tolvane-host: Initialize refused\n");
        return 2;
    }
    const int workspace = parser.value("workspace").toInt();
    for (const QString& word : parser.values("command")) {
        plugin.Command(word.toLatin1().constData(), workspace);
    }
    if (parser.isSet("screenshots")) {
        return SaveScreenshots(window, parser.value("screenshots"));
    }

    const std::vector<HostGroupRecord> groups = LoadGroups(parser.value("groups"));
    const double rate =
        parser.isSet("rate") ? parser.value("rate").toDouble() : kRdsGroupsPerSecond;
    std::size_t next = 0;
    QElapsedTimer clock;
    clock.start();
    // The plug-in destroys its window when the application quits, so read it before that.
    const auto finish = [window] {
        PrintStatistics(window);
        QCoreApplication::quit();
    };
    QTimer feeder;
    feeder.setTimerType(Qt::PreciseTimer);
    QObject::connect(&feeder, &QTimer::timeout, [&] {
        const double elapsed = static_cast<double>(clock.elapsed()) / 1000.0;
        const std::size_t due =
            rate <= 0 ? groups.size() : static_cast<std::size_t>(elapsed * rate) + 1;
        for (; next < groups.size() && next < due; ++next) {
            plugin.RDSGroup(&groups[next]);
        }
        if (next >= groups.size() && !window->isVisible() && !parser.isSet("quit-after")) {
            feeder.stop();
            finish();
        }
    });
    feeder.start(5);
    if (parser.isSet("quit-after")) {
        QTimer::singleShot(static_cast<int>(parser.value("quit-after").toDouble() * 1000), &app,
                           finish);
    }
    return app.exec();
}
