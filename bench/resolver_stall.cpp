// The longest stall of the event loop while the plug-in connects to a host name whose resolver
// never answers: Connect / Update, then the 30 s retries, with groups fed every 10 ms.
//
//   resolver_stall [--seconds N] [--unload-after MS] [--host TEXT] [--max-stall-ms MS]
//                  [--plugin PATH]
//
// It prints one line of figures; with --max-stall-ms it exits 1 when the event loop stood
// still longer than that. --host 127.0.0.1 measures the same run without a lookup (a refused
// port instead), the floor that the machine's load sets.
// The process makes a mount namespace of its own in which /etc/resolv.conf names a silent
// name server on a 127.x.y.z address: a UDP socket of this program that reads every query and
// never answers. No query can leave the machine: without root, or where the namespace cannot
// be made, the program stops before loading the plug-in, with exit status 77. --unload-after
// unloads the plug-in while a lookup is still waiting and goes on until the end, so that a crash
// shows.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QSocketNotifier>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "LinkCommon.h"
#include "plugin_driver.h"
#include "plugin_library.h"
#include "stall_meter.h"

namespace {

constexpr int kNoNamespace = 77;

class NoNamespace : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An address of the loopback range that no other program of the machine is likely to use.
std::string SilentServerAddress() {
    const auto pid = static_cast<unsigned>(::getpid());
    return "127.53." + std::to_string((pid >> 8) % 250 + 1) + "." + std::to_string(pid % 250 + 1);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Must run while the process has one thread: a mount namespace covers the calling thread only.
void UseSilentNameServer(const std::string& scratch, const std::string& address) {
    const std::string conf = scratch + "/resolv.conf";
    const std::string text = "nameserver " + address + "\n";
    std::ofstream(conf) << text;
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount(conf.c_str(), "/etc/resolv.conf", nullptr, MS_BIND, nullptr) != 0) {
        throw NoNamespace("cannot make a private /etc/resolv.conf (needs root): " +
                          links::SystemErrorText(errno));
    }
    if (ReadFile("/etc/resolv.conf") != text) {
        throw NoNamespace("/etc/resolv.conf does not name the silent server");
    }
}

links::UniqueFd BindSilentServer(const std::string& address) {
    links::UniqueFd fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(53);
    ::inet_pton(AF_INET, address.c_str(), &local.sin_addr);
    if (!fd.valid() || ::bind(fd.get(), reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        throw std::runtime_error("cannot bind " + address +
                                 ":53: " + links::SystemErrorText(errno));
    }
    return fd;
}

struct Options {
    int seconds = 70;
    int unloadAfterMs = -1;
    QString host;
    int maxStallMs = -1;
    QString plugin;
};

int Run(const Options& options, int server) {
    int queries = 0;
    QSocketNotifier reader(server, QSocketNotifier::Read);
    QObject::connect(&reader, &QSocketNotifier::activated, &reader, [&queries, server] {
        char datagram[1500];
        while (::recv(server, datagram, sizeof datagram, 0) >= 0) {
            ++queries;
        }
    });
    PluginLibrary plugin;
    if (!plugin.Load(options.plugin.toStdString())) {
        throw std::runtime_error(plugin.Error());
    }
    auto* window = static_cast<QWidget*>(plugin.Initialize(0, 0));
    QStringList statuses;
    QObject::connect(plugin_driver::Control<QStatusBar>(window, "StatusBar1"),
                     &QStatusBar::messageChanged, [&statuses](const QString& text) {
                         if (!text.isEmpty() && (statuses.isEmpty() || statuses.last() != text)) {
                             statuses << text;
                         }
                     });
    StallMeter stalls;
    QTimer feeder;
    QObject::connect(&feeder, &QTimer::timeout, &feeder, [&plugin] {
        const HostGroupRecord group{{0, 0, 0, 0xD3A7, 0x8000, 0x0102, 0x1234}};
        plugin.RDSGroup(&group);
    });
    feeder.start(10);
    plugin_driver::SelectItem(window, "RGCON", 1);
    plugin_driver::Control<QLineEdit>(window, "EHOST")->setText(options.host);
    plugin_driver::Control<QLineEdit>(window, "EPORT")->setText("1");
    plugin_driver::Control<QPushButton>(window, "BUPDATE")->click();
    if (options.unloadAfterMs >= 0) {
        QTimer::singleShot(options.unloadAfterMs, [&] {
            feeder.stop();
            plugin.Unload();
            std::printf("unloaded at %d ms\n", options.unloadAfterMs);
        });
    }
    QTimer::singleShot(options.seconds * 1000, [] { QCoreApplication::quit(); });
    QCoreApplication::exec();
    std::printf("seconds=%d queries=%d stall_max=%.1f statuses=\"%s\"\n", options.seconds, queries,
                stalls.MaxMs(), qPrintable(statuses.join(" | ")));
    std::fflush(stdout);
    return options.maxStallMs >= 0 && stalls.MaxMs() > options.maxStallMs ? 1 : 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    try {
        QTemporaryDir scratch;
        const std::string address = SilentServerAddress();
        UseSilentNameServer(scratch.path().toStdString(), address);
        const links::UniqueFd server = BindSilentServer(address);
        // Qt gets no arguments: it would take --plugin as one of its own.
        int qtArgc = 1;
        QApplication app(qtArgc, argv);
        QStringList arguments;
        for (int i = 0; i < argc; ++i) {
            arguments << QString::fromLocal8Bit(argv[i]);
        }
        QCommandLineParser parser;
        parser.addOptions({{"seconds", "How long to run.", "s", "70"},
                           {"unload-after", "Unload the plug-in after MS.", "ms", "-1"},
                           {"host", "The encoder's host.", "text", "encoder.tolvane.test"},
                           {"max-stall-ms", "Fail above this stall.", "ms", "-1"},
                           {"plugin", "The plug-in.", "path", TOLVANE_PLUGIN_PATH}});
        parser.process(arguments);
        const Options options{parser.value("seconds").toInt(), parser.value("unload-after").toInt(),
                              parser.value("host"), parser.value("max-stall-ms").toInt(),
                              parser.value("plugin")};
        return Run(options, server.get());
    } catch (const NoNamespace& error) {
        std::fprintf(stderr, "resolver_stall: %s\n", error.what());
        return kNoNamespace;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "resolver_stall: %s\n", error.what());
        return 1;
    }
}
