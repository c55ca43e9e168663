// tolvane-host.exe: the reference host on Windows. Loads tolvane.dll the way a decoder
// application does, feeds it groups from a file or standard input at the RDS rate from a timer
// of its Win32 message loop, forwards commands, and prints the plug-in's statistics when it
// ends.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "feed_schedule.h"
#include "group_file.h"
#include "host_window_win32.h"
#include "kovadex.h"
#include "plugin_library.h"
#include "stdin_reader_win32.h"

namespace {

constexpr double kRdsGroupsPerSecond = 1187.5 / 104.0;
constexpr UINT_PTR kFeedTimer = 1;

struct HostOptions {
    std::optional<std::string> plugin;
    std::string groups;
    std::vector<std::string> commands;
    int workspace = 1;
    std::optional<std::string> workspaceFile;
    double rate = kRdsGroupsPerSecond;
    double waitSent = 0;
    double quitAfter = -1;
    std::optional<std::string> writeSample;
    bool show = false;
};

constexpr char kHelp[] =
    "Usage: tolvane-host [options]\n"
    "Loads tolvane.dll like a decoder application and feeds it RDS groups.\n\n"
    "Options:\n"
    "  -?, -h, --help           Displays help on commandline options.\n"
    "  --plugin <path>          The plug-in to load (tolvane.dll beside the program).\n"
    "  --groups <file>          Groups as hex lines (\"-\" for standard input).\n"
    "  --command <word>         A command to send after Initialize (repeatable).\n"
    "  --workspace <n>          The workspace number sent with each command.\n"
    "  --workspace-file <path>  Load the workspace from the file at start (when it exists)\n"
    "                           and save it there on quit.\n"
    "  --rate <r>               Groups per second from a file; 0 sends them at once.\n"
    "                           Standard input is fed as it arrives.\n"
    "  --wait-sent <s>          When the groups are fed, wait up to S seconds for the\n"
    "                           plug-in to send its queue.\n"
    "  --quit-after <s>         Stop after this many seconds (0 to 2147483.647).\n"
    "  --show                   Show the host's own small main window; closing it ends\n"
    "                           the host.\n"
    "  --write-sample <file>    Write the built-in sample groups to the file and stop.\n";

double NumberOr(const std::string& text, double fallback) {
    return ParseSeconds(text).value_or(fallback);
}

enum class Taken { Yes, Unknown, Refused };

// Whether --quit-after is a time the quit timer can hold; if not, says why.
bool TakeQuitAfter(const std::string& value, HostOptions& options) {
    const std::optional<double> seconds = ParseSeconds(value);
    if (seconds && QuitAfterInRange(*seconds)) {
        options.quitAfter = *seconds;
        return true;
    }
    std::fprintf(stderr,
                 "tolvane-host: --quit-after takes seconds from 0 to 2147483.647 (24.8 days), "
                 "not \"%s\"\n",
                 value.c_str());
    return false;
}

// Takes one option with its value.
Taken TakeOption(std::string_view name, const std::string& value, HostOptions& options) {
    if (name == "plugin") {
        options.plugin = value;
    } else if (name == "groups") {
        options.groups = value;
    } else if (name == "command") {
        options.commands.push_back(value);
    } else if (name == "workspace") {
        options.workspace = std::atoi(value.c_str());
    } else if (name == "workspace-file") {
        options.workspaceFile = value;
    } else if (name == "rate") {
        options.rate = NumberOr(value, 0);
    } else if (name == "wait-sent") {
        options.waitSent = NumberOr(value, 0);
    } else if (name == "write-sample") {
        options.writeSample = value;
    } else if (name == "quit-after") {
        return TakeQuitAfter(value, options) ? Taken::Yes : Taken::Refused;
    } else {
        return Taken::Unknown;
    }
    return Taken::Yes;
}

// Parses the command line; returns the exit code when the host has nothing more to do.
std::optional<int> ParseArguments(int argc, char** argv, HostOptions& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h" || argument == "-?") {
            std::printf("%s", kHelp);
            return 0;
        }
        if (argument == "--show") {
            options.show = true;
            continue;
        }
        const std::size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        const bool inlineValue = equals != std::string::npos;
        if (name.rfind("--", 0) != 0 || (!inlineValue && i + 1 >= argc && name.size() > 2)) {
            std::fprintf(stderr, "tolvane-host: %s '%s'.\n",
                         name.rfind("--", 0) != 0 ? "Unknown option" : "Missing value after",
                         argument.c_str());
            return 2;
        }
        const std::string value = inlineValue ? argument.substr(equals + 1) : argv[++i];
        const Taken taken = TakeOption(std::string_view(name).substr(2), value, options);
        if (taken == Taken::Unknown) {
            std::fprintf(stderr, "tolvane-host: Unknown option '%s'.\n", name.c_str());
        }
        if (taken != Taken::Yes) {
            return 2;
        }
    }
    return std::nullopt;
}

std::string DefaultPluginPath() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path, length < sizeof path ? length : 0);
    const std::size_t slash = folder.find_last_of("\\/");
    folder = slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
    return folder + "tolvane.dll";
}

// Loads the workspace file when it exists and has the plug-in restore its settings. A file that
// exists but cannot be loaded stops the host, so that quitting cannot save over it. Only a
// name that is not there at all is a new file.
bool OpenWorkspaceFile(PluginLibrary& plugin, const std::string& path, int workspace) {
    const bool absent =
        GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES &&
        (GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND);
    if (!absent && LoadWorkspaceFile(workspace, path.c_str()) == 0) {
        std::fprintf(stderr, "tolvane-host: %s; the file is left as it is\n", WorkspaceFileError());
        return false;
    }
    plugin.Command("OPENWORKSPACE", workspace);
    return true;
}

// Has the plug-in save its settings and writes them to the workspace file; the exit code.
int SaveWorkspaceFileOnQuit(PluginLibrary& plugin, const HostOptions& options) {
    if (!options.workspaceFile) {
        return 0;
    }
    plugin.Command("SAVEWORKSPACE", options.workspace);
    if (SaveWorkspaceFile(options.workspace, options.workspaceFile->c_str()) == 0) {
        std::fprintf(stderr, "tolvane-host: %s\n", WorkspaceFileError());
        return 1;
    }
    return 0;
}

// Loads the plug-in, creates its instance owned by the host window and sends the commands;
// the plug-in's window, or null when any step fails.
HWND StartPlugin(PluginLibrary& plugin, const HostOptions& options, HWND hostWindow) {
    const std::string path = options.plugin.value_or(DefaultPluginPath());
    if (!plugin.Load(path)) {
        std::fprintf(stderr, "tolvane-host: %s\n", plugin.Error().c_str());
        return nullptr;
    }
    std::printf("loaded %s: %s\n", path.c_str(), plugin.PluginName());
    // Whoever watches the host learns at once that it runs, also through a file.
    std::fflush(stdout);
    auto* window = static_cast<HWND>(plugin.Initialize(reinterpret_cast<uintptr_t>(hostWindow), 0));
    if (window == nullptr) {
        std::fprintf(stderr, "tolvane-host: Initialize refused\n");
        return nullptr;
    }
    if (options.workspaceFile &&
        !OpenWorkspaceFile(plugin, *options.workspaceFile, options.workspace)) {
        return nullptr;
    }
    for (const std::string& word : options.commands) {
        plugin.Command(word.c_str(), options.workspace);
    }
    return window;
}

// The plug-in's statistics as caption and value lines, read from its window's controls.
void PrintStatistics(HWND window) {
    const char* rows[][2] = {{"Label3", "LR"}, {"Label9", "LE"},  {"Label10", "LF"},
                             {"Label4", "LW"}, {"Label11", "LL"}, {"Label5", "LS"}};
    for (const auto& row : rows) {
        const HWND caption = FindNamedChild(window, row[0]);
        const HWND value = FindNamedChild(window, row[1]);
        if (caption != nullptr && value != nullptr) {
            std::printf("%-40s %s\n", WindowTextUtf8(caption).c_str(),
                        WindowTextUtf8(value).c_str());
        }
    }
    std::fflush(stdout);
}

// Set once the host has saved and is about to end, for the console's control handler.
HANDLE g_finished = nullptr;
HWND g_hostWindow = nullptr;

// Ctrl+C, Ctrl+Break and closing the console end the host as its other ways of quitting do, on
// its own thread. The system ends the process when this returns from a close, so it waits for
// the workspace to be saved first (the system allows about 5 s).
BOOL WINAPI OnConsoleControl(DWORD type) {
    PostMessageW(g_hostWindow, HostWindow::kQuitMessage, 0, 0);
    if (type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT) {
        WaitForSingleObject(g_finished, 4500);
    }
    return TRUE;
}

// Feeds the plug-in from the host window's timer and ends the host when the FeedSchedule says
// so: groups from a file at the rate, or standard input as it arrives.
class Feeder {
public:
    Feeder(PluginLibrary& plugin, HostWindow& host, HWND pluginWindow, const HostOptions& options)
        : m_plugin(plugin),
          m_host(host),
          m_pluginWindow(pluginWindow),
          m_options(options),
          m_schedule({options.rate, options.quitAfter, options.waitSent}) {
        m_host.OnMessage = [this](UINT message) { OnMessage(message); };
        // The system rounds the period up to its timer resolution (10 to 16 ms).
        SetTimer(m_host.Handle(), kFeedTimer, 5, nullptr);
    }

    // "-" is standard input, read as a live stream; a file is read whole and fed at the rate.
    bool Start(const std::string& groups) {
        if (groups == "-") {
            m_reader.OnGroup = [this](const HostGroupRecord& group) { m_plugin.RDSGroup(&group); };
            ReportRejectedStreamLines(m_reader);
            m_stdin = std::make_unique<StdinReader>(m_host.Handle(), HostWindow::kInputMessage);
            return true;
        }
        if (groups.empty()) {
            return true;
        }
        std::optional<std::vector<HostGroupRecord>> read = ReadGroupFile(groups);
        if (read) {
            m_groups = std::move(*read);
        }
        return read.has_value();
    }

private:
    void OnMessage(UINT message) {
        if (message == WM_TIMER) {
            Tick();
        } else if (message == HostWindow::kInputMessage) {
            TakeInput();
        } else if (message == HostWindow::kQuitMessage) {
            Finish();
        }
    }

    std::int64_t Now() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now() - m_start)
            .count();
    }

    void Tick() {
        if (m_finished) {
            return;
        }
        const std::int64_t now = Now();
        for (const std::size_t due = m_schedule.Due(now, m_groups.size()); m_next < due; ++m_next) {
            m_plugin.RDSGroup(&m_groups[m_next]);
        }
        const bool inputDone = m_next >= m_groups.size() && (!m_stdin || m_streamEnded);
        const HWND waiting = FindNamedChild(m_pluginWindow, "LW");
        const bool queueEmpty =
            waiting == nullptr || WaitingLabelShowsEmpty(WindowTextUtf8(waiting));
        if (m_schedule.ShouldFinish(now, inputDone, IsWindowVisible(m_pluginWindow) != FALSE,
                                    queueEmpty)) {
            Finish();
        }
    }

    void TakeInput() {
        if (!m_stdin || m_streamEnded) {
            return;
        }
        const StdinReader::Taken taken = m_stdin->Take();
        m_reader.Feed(taken.bytes);
        if (!taken.ended) {
            return;
        }
        if (!taken.error.empty()) {
            std::fprintf(stderr, "tolvane-host: reading the groups: %s\n", taken.error.c_str());
        }
        m_reader.Finish();
        m_streamEnded = true;
        ReportRejectedTotal(m_reader.Rejected());
    }

    // The plug-in's window goes when the library is unloaded, so it is read before that.
    void Finish() {
        if (m_finished) {
            return;
        }
        m_finished = true;
        KillTimer(m_host.Handle(), kFeedTimer);
        PrintStatistics(m_pluginWindow);
        const int code = SaveWorkspaceFileOnQuit(m_plugin, m_options);
        std::fflush(stderr);
        SetEvent(g_finished);
        PostQuitMessage(code);
    }

    PluginLibrary& m_plugin;
    HostWindow& m_host;
    HWND m_pluginWindow;
    const HostOptions& m_options;
    FeedSchedule m_schedule;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    std::vector<HostGroupRecord> m_groups;
    std::size_t m_next = 0;
    GroupLineReader m_reader;
    std::unique_ptr<StdinReader> m_stdin;
    bool m_streamEnded = false;
    bool m_finished = false;
};

int RunMessageLoop() {
    MSG message{};
    BOOL got = 0;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return got < 0 ? 1 : static_cast<int>(message.wParam);
}

int RunHost(const HostOptions& options) {
    HostWindow host(options.show);
    g_hostWindow = host.Handle();
    g_finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    PluginLibrary plugin;
    const HWND pluginWindow = StartPlugin(plugin, options, host.Handle());
    if (pluginWindow == nullptr) {
        return 2;
    }
    Feeder feeder(plugin, host, pluginWindow, options);
    if (!feeder.Start(options.groups)) {
        return 2;
    }
    const int code = RunMessageLoop();
    // The plug-in's window goes with its library, while the host window that owns it is there.
    plugin.Unload();
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    HostOptions options;
    if (const std::optional<int> done = ParseArguments(argc, argv, options)) {
        return *done;
    }
    if (options.writeSample) {
        return WriteSampleFile(*options.writeSample);
    }
    try {
        return RunHost(options);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "tolvane-host: %s\n", failure.what());
        return 2;
    }
}
