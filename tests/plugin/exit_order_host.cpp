// A host that ends in one chosen way, for the exit-order tests: it loads the plug-in, shows its
// window or leaves it hidden, then quits, deletes its application, unloads the plug-in or exits
// in the order that the mode names. Its last line, "host done", stays in the buffer of standard
// output until the process ends, so a crash on the way out loses it.
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "plugin_library.h"

namespace {

constexpr unsigned kGiveUpSeconds = 20;
constexpr int kSettleMs = 100;
constexpr int kRefusedQuitMs = 3000;
// Qt asks the top-level windows to close in no fixed order and stops at the first refusal,
// so the more windows a host has, the surer a refusing plug-in window leaves some open.
constexpr int kHostWindows = 8;

struct Host {
    int argc;
    char** argv;
    const char* pluginPath;
};

void Say(const char* line) {
    std::printf("%s\n", line);
}

QWidget* StartPlugin(PluginLibrary& plugin, const Host& host, uintptr_t hostWindow, bool show) {
    if (!plugin.Load(host.pluginPath)) {
        std::fprintf(stderr, "%s\n", plugin.Error().c_str());
        std::exit(3);
    }
    auto* window = static_cast<QWidget*>(plugin.Initialize(hostWindow, 0));
    if (window == nullptr) {
        std::exit(4);
    }
    plugin.Command(show ? "SHOW" : "HIDE", 0);
    return window;
}

// Runs the event loop until `step` makes it end; ends it with 1 if it is still running later.
int RunUntilQuit(const std::function<void()>& step) {
    QTimer::singleShot(kSettleMs, qApp, step);
    QTimer::singleShot(kRefusedQuitMs, qApp, [] { QCoreApplication::exit(1); });
    const int code = QApplication::exec();
    Say(code == 0 ? "event loop ended" : "event loop failed");
    return code;
}

int QuitWithHostWindows(Host& host) {
    QApplication app(host.argc, host.argv);
    std::array<QWidget, kHostWindows> own;
    for (QWidget& window : own) {
        window.show();
    }
    PluginLibrary plugin;
    StartPlugin(plugin, host, static_cast<uintptr_t>(own[0].winId()), true);
    return RunUntilQuit([] { QCoreApplication::quit(); });
}

int UserClosesTheHostWindow(Host& host) {
    QApplication app(host.argc, host.argv);
    QWidget own;
    own.show();
    PluginLibrary plugin;
    StartPlugin(plugin, host, 0, true);
    return RunUntilQuit([&own] { own.windowHandle()->close(); });
}

int UserClosesThePluginWindowThenHostQuits(Host& host) {
    QApplication app(host.argc, host.argv);
    PluginLibrary plugin;
    QWidget* window = StartPlugin(plugin, host, 0, true);
    return RunUntilQuit([window] {
        window->windowHandle()->close();
        Say(window->isVisible() ? "plug-in window still shown" : "plug-in window hidden");
        QTimer::singleShot(kSettleMs, qApp, [] {
            Say("host quits");
            QCoreApplication::quit();
        });
    });
}

int DeleteTheApplicationThenUnload(Host& host) {
    auto* app = new QApplication(host.argc, host.argv);
    PluginLibrary plugin;
    StartPlugin(plugin, host, 0, true);
    QApplication::processEvents();
    delete app;
    plugin.Unload();
    return 0;
}

int UnloadThenQuit(Host& host) {
    QApplication app(host.argc, host.argv);
    {
        PluginLibrary plugin;
        StartPlugin(plugin, host, 0, true);
        QApplication::processEvents();
    }
    return RunUntilQuit([] { QCoreApplication::quit(); });
}

int QuitThenDeleteTheApplicationThenUnload(Host& host) {
    auto* app = new QApplication(host.argc, host.argv);
    PluginLibrary plugin;
    StartPlugin(plugin, host, 0, true);
    const int code = RunUntilQuit([] { QCoreApplication::quit(); });
    delete app;
    plugin.Unload();
    return code;
}

// The application and the plug-in stay as they are; the process ends under them.
int ExitWithTheWindow(Host& host, bool shown, bool viaReturn) {
    new QApplication(host.argc, host.argv);
    auto* plugin = new PluginLibrary();
    StartPlugin(*plugin, host, 0, shown);
    QApplication::processEvents();
    if (!viaReturn) {
        Say("host done");
        std::exit(0);
    }
    return 0;
}

struct Mode {
    const char* name;
    std::function<int(Host&)> run;
};

const Mode kModes[] = {
    {"quit-with-host-windows", QuitWithHostWindows},
    {"user-closes-the-host-window", UserClosesTheHostWindow},
    {"user-closes-the-plugin-window-then-host-quits", UserClosesThePluginWindowThenHostQuits},
    {"delete-the-application-then-unload", DeleteTheApplicationThenUnload},
    {"unload-then-quit", UnloadThenQuit},
    {"quit-then-delete-the-application-then-unload", QuitThenDeleteTheApplicationThenUnload},
    {"exit-with-the-window-shown", [](Host& h) { return ExitWithTheWindow(h, true, false); }},
    {"exit-with-the-window-hidden", [](Host& h) { return ExitWithTheWindow(h, false, false); }},
    {"return-with-the-window-shown", [](Host& h) { return ExitWithTheWindow(h, true, true); }},
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s MODE PLUGIN\n", argv[0]);
        return 2;
    }
    alarm(kGiveUpSeconds);
    // The application keeps a reference to the argument count for as long as it lives.
    static Host host{argc, argv, argv[2]};
    for (const Mode& mode : kModes) {
        if (std::strcmp(mode.name, argv[1]) == 0) {
            const int code = mode.run(host);
            if (code == 0) {
                Say("host done");
            }
            return code;
        }
    }
    std::fprintf(stderr, "unknown mode %s\n", argv[1]);
    return 2;
}
