// tolvane-host: a reference host. Loads the plug-in the way a decoder application does,
// feeds it groups from a file or standard input at the RDS rate, forwards commands, and
// prints the plug-in's statistics when it ends.
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTabWidget>
#include <QTimer>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <functional>
#include <optional>

#include "feed_schedule.h"
#include "feeder.h"
#include "group_file.h"
#include "group_stream.h"
#include "group_text.h"
#include "kovadex.h"
#include "plugin_library.h"

namespace {

constexpr double kRdsGroupsPerSecond = 1187.5 / 104.0;

void AddOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(
        "Loads tolvane.so like a decoder application and feeds it RDS groups.");
    parser.addHelpOption();
    parser.addOptions({
        {"plugin", "The plug-in to load.", "path"},
        {"groups", "Groups as hex lines (\"-\" for standard input).", "file"},
        {"command", "A command to send after Initialize (repeatable).", "word"},
        {"workspace", "The workspace number sent with each command.", "n", "1"},
        {"workspace-file",
         "Load the workspace from the file at start (when it exists) and save it there on quit.",
         "path"},
        {"rate",
         "Groups per second from a file; 0 sends them at once. Standard input is fed "
         "as it arrives.",
         "r"},
        {"screenshot-at-end", "Render the window into the PNG file as the host ends.", "file"},
        {"wait-sent",
         "When the groups are fed, wait up to S seconds for the plug-in to send its queue.", "s",
         "0"},
        {"quit-after", "Stop after this many seconds (0 to 2147483.647).", "s"},
        {"screenshots", "Render each tab of the window into the folder and stop.", "dir"},
        {"write-sample", "Write the built-in sample groups to the file and stop.", "file"},
    });
}

// The installed plug-in folder, else the build tree's library folder.
QString DefaultPluginPath() {
    const QDir bin(QCoreApplication::applicationDirPath());
    const QString installed = bin.filePath("../lib/tolvane/tolvane.so");
    return QFileInfo::exists(installed) ? installed : bin.filePath("../lib/tolvane.so");
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

// Whether --quit-after, when given, is a time the quit timer can hold; if not, says why.
bool QuitAfterOptionInRange(const QCommandLineParser& parser) {
    if (!parser.isSet("quit-after")) {
        return true;
    }
    const std::optional<double> seconds = ParseSeconds(parser.value("quit-after").toStdString());
    if (seconds && QuitAfterInRange(*seconds)) {
        return true;
    }
    std::fprintf(stderr,
                 "tolvane-host: --quit-after takes seconds from 0 to 2147483.647 (24.8 days), "
                 "not \"%s\"\n",
                 qPrintable(parser.value("quit-after")));
    return false;
}

// Qt reads arguments as UTF-8 and puts U+FFFD for bytes that are not; the workspace file's name
// must reach the store with its own bytes, so it is read again with one character per byte.
QByteArray RawOptionValue(int argc, char** argv, const QString& name) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLatin1(argv[i]);
    }
    QCommandLineParser parser;
    AddOptions(parser);
    return parser.parse(arguments) ? parser.value(name).toLatin1() : QByteArray();
}

// Parses the command line; returns the exit code when the host has nothing more to do.
std::optional<int> ParseCommandLine(int argc, char** argv, QCommandLineParser& parser) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    AddOptions(parser);
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "tolvane-host: %s\n", qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet("help")) {
        std::printf("%s", qPrintable(parser.helpText()));
        return 0;
    }
    if (!QuitAfterOptionInRange(parser)) {
        return 2;
    }
    return std::nullopt;
}

// Loads the workspace file when it exists and has the plug-in restore its settings. A file that
// exists but cannot be loaded stops the host, so that quitting cannot save over it. Only a
// name that is not there at all is a new file: a symbolic link that leads nowhere (a drive
// not mounted) or a folder that cannot be searched is a file that cannot be loaded.
bool OpenWorkspaceFile(PluginLibrary& plugin, const QByteArray& path, int workspace) {
    struct stat status {};
    const bool absent = ::lstat(path.constData(), &status) != 0 && errno == ENOENT;
    if (!absent && LoadWorkspaceFile(workspace, path.constData()) == 0) {
        std::fprintf(stderr, "tolvane-host: %s; the file is left as it is\n", WorkspaceFileError());
        return false;
    }
    plugin.Command("OPENWORKSPACE", workspace);
    return true;
}

// Has the plug-in save its settings and writes them to the workspace file; the exit code.
int SaveWorkspaceFileOnQuit(PluginLibrary& plugin, const QCommandLineParser& parser,
                            const QByteArray& path) {
    if (!parser.isSet("workspace-file")) {
        return 0;
    }
    const int workspace = parser.value("workspace").toInt();
    plugin.Command("SAVEWORKSPACE", workspace);
    if (SaveWorkspaceFile(workspace, path.constData()) == 0) {
        std::fprintf(stderr, "tolvane-host: %s\n", WorkspaceFileError());
        return 1;
    }
    return 0;
}

// SIGINT and SIGTERM end the host as its other ways of quitting do: the handler only writes
// to a socket that the event loop watches.
int g_signalSocket[2] = {-1, -1};

void OnQuitSignal(int) {
    const char byte = 0;
    [[maybe_unused]] const ssize_t written = ::write(g_signalSocket[1], &byte, 1);
}

// Installed before the application is set up, so that a signal during start-up (Qt may already
// write warnings then) waits in the socket until the event loop runs instead of killing the host.
void InstallQuitSignals() {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalSocket) != 0) {
        std::perror("tolvane-host: socketpair");
        return;
    }
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

void WatchQuitSignals(Feeder& feeder) {
    if (g_signalSocket[0] < 0) {
        return;
    }
    auto* notifier = new QSocketNotifier(g_signalSocket[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, [&feeder] { feeder.Finish(); });
}

// Loads the plug-in, creates its instance and sends the commands; null when any step fails.
QWidget* StartPlugin(PluginLibrary& plugin, const QCommandLineParser& parser,
                     const QByteArray& workspaceFile) {
    const QString path = parser.isSet("plugin") ? parser.value("plugin") : DefaultPluginPath();
    if (!plugin.Load(path.toStdString())) {
        std::fprintf(stderr, "tolvane-host: %s\n", plugin.Error().c_str());
        return nullptr;
    }
    std::printf("loaded %s: %s\n", qPrintable(path), plugin.PluginName());
    // Whoever watches the host learns at once that it runs, also through a pipe.
    std::fflush(stdout);
    auto* window = static_cast<QWidget*>(plugin.Initialize(0, 0));
    if (window == nullptr) {
        std::fprintf(stderr, "tolvane-host: Initialize refused\n");
        return nullptr;
    }
    const int workspace = parser.value("workspace").toInt();
    if (parser.isSet("workspace-file") && !OpenWorkspaceFile(plugin, workspaceFile, workspace)) {
        return nullptr;
    }
    for (const QString& word : parser.values("command")) {
        plugin.Command(word.toLatin1().constData(), workspace);
    }
    return window;
}

Feeder::Options FeederOptions(const QCommandLineParser& parser) {
    Feeder::Options options;
    options.rate = parser.isSet("rate") ? parser.value("rate").toDouble() : kRdsGroupsPerSecond;
    options.quitAfter = parser.isSet("quit-after") ? parser.value("quit-after").toDouble() : -1;
    options.waitSent = parser.value("wait-sent").toDouble();
    options.screenshot = parser.value("screenshot-at-end");
    return options;
}

// "-" is standard input, read as a live stream; a file is read whole and fed at the rate.
bool StartFeeding(Feeder& feeder, const QString& groups) {
    if (groups == "-") {
        feeder.FeedStream(STDIN_FILENO);
        return true;
    }
    if (groups.isEmpty()) {
        return true;
    }
    std::optional<std::vector<HostGroupRecord>> read = ReadGroupFile(groups.toStdString());
    if (!read) {
        return false;
    }
    feeder.FeedGroups(std::move(*read));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QCommandLineParser parser;
    if (const std::optional<int> done = ParseCommandLine(argc, argv, parser)) {
        return *done;
    }
    if (parser.isSet("write-sample")) {
        return WriteSampleFile(parser.value("write-sample").toStdString());
    }

    // Every option on the command line is the host's; Qt would take some of them ("-plugin")
    // as its own, so it gets the program name only.
    int qtArgc = 1;
    InstallQuitSignals();
    QApplication app(qtArgc, argv);
    PluginLibrary plugin;
    const QByteArray workspaceFile = RawOptionValue(argc, argv, "workspace-file");
    QWidget* window = StartPlugin(plugin, parser, workspaceFile);
    if (window == nullptr) {
        return 2;
    }
    if (parser.isSet("screenshots")) {
        return SaveScreenshots(window, parser.value("screenshots"));
    }
    Feeder feeder(plugin, window, FeederOptions(parser),
                  [&] { return SaveWorkspaceFileOnQuit(plugin, parser, workspaceFile); });
    if (!StartFeeding(feeder, parser.value("groups"))) {
        return 2;
    }
    WatchQuitSignals(feeder);
    return app.exec();
}
