// The plug-in against a misbehaving encoder for a long while: groups fed as fast as the plug-in
// takes them while the encoder simulator rotates through its answers and faults (acknowledge,
// no answer, split, doubled, echoed, foreign, delayed, close, reset, stop reading). Checks that
// every group is accounted for at every Clear and at the end, that what the encoder received is
// an ordered subsequence of what the plug-in sent, that the encoder counted no malformed line,
// empty line or cut command and every received byte, and that descriptors and memory stay flat.
//
//   soak [--groups N] [--min-seconds S] [--clear-every N] [--serial]
//
// Prints a summary and exits 1 when an invariant fails.
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "encoder_sim_summary.h"
#include "plugin_driver.h"
#include "plugin_library.h"

namespace {

using plugin_driver::Control;

const char* const kFaultCycle =
    "ack:40,none:10,split:20,double:20,echo:10,foreign:10,delayed:10,ack:10+close,"
    "ack:10+reset,ack:10+stop";

struct Counts {
    long long received = 0, crc = 0, filtered = 0, waiting = 0, lost = 0, sent = 0;

    [[nodiscard]] bool Balanced() const {
        return received == crc + filtered + sent + waiting + lost;
    }
    [[nodiscard]] std::string Text() const {
        char text[160];
        std::snprintf(text, sizeof text,
                      "received %lld = crc %lld + filtered %lld + sent %lld + waiting %lld + "
                      "lost %lld",
                      received, crc, filtered, sent, waiting, lost);
        return text;
    }
};

long long LabelValue(QWidget* window, const char* name) {
    return Control<QLabel>(window, name)->text().toLongLong();  // a label never set reads 0
}

Counts ReadCounts(QWidget* window) {
    return {LabelValue(window, "LR"), LabelValue(window, "LE"), LabelValue(window, "LF"),
            LabelValue(window, "LW"), LabelValue(window, "LL"), LabelValue(window, "LS")};
}

long OpenDescriptors() {
    return QDir("/proc/self/fd")
        .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System)
        .size();
}

long ResidentKiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Group n: type 8A numbered in blocks 3 and 4; every 7th a 0A that the filter drops; every
// 1000th with block 3 in error.
HostGroupRecord Numbered(long long n) {
    HostGroupRecord group{
        {0, 0, 0, 0xD3A7, 0x8000, static_cast<int32_t>(n & 0xFFFF), static_cast<int32_t>(n >> 16)}};
    if (n % 7 == 0) {
        group.fields[4] = 0x0000;
    } else if (n % 1000 == 999) {
        group.fields[5] = -1;
    }
    return group;
}

struct Options {
    long long groups = 1000000;
    int minSeconds = 120;
    long long clearEvery = 100000;
    bool serial = false;
};

class Soak {
public:
    Soak(const Options& options, PluginLibrary& plugin, QWidget* window)
        : m_options(options), m_plugin(plugin), m_window(window) {
        m_clock.start();
        m_feed.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_feed, &QTimer::timeout, &m_feed, [this] { Feed(); });
        m_feed.start(1);
        // A serial port that failed is closed by the plug-in; connect again as a user would.
        QObject::connect(&m_watch, &QTimer::timeout, &m_watch, [this] {
            auto* connect = Control<QPushButton>(m_window, "BUPDATE");
            if (connect->isEnabled()) {
                ++reconnects;
                connect->click();
            }
        });
        m_watch.start(500);
    }

    bool ok = true;
    long long fed = 0, sentTotal = 0, cleared = 0, clears = 0;
    long fdsEarly = 0, rssEarly = 0, fdsEnd = 0, rssEnd = 0;
    Counts last;
    int reconnects = 0;

private:
    // Far faster than any encoder takes them (the queue stays full and overruns), spread over
    // the run so that the encoder's faults come round while groups keep arriving.
    void Feed() {
        const double share = static_cast<double>(m_clock.elapsed() + 1) /
                             (std::max(1, m_options.minSeconds) * 1000.0);
        const long long due =
            std::min(m_options.groups,
                     static_cast<long long>(share * static_cast<double>(m_options.groups)));
        for (int i = 0; i < 5000 && fed < due; ++i) {
            const HostGroupRecord group = Numbered(fed++);
            m_plugin.RDSGroup(&group);
            if (fed == 10000) {
                fdsEarly = OpenDescriptors();
                rssEarly = ResidentKiB();
            }
            if (fed % m_options.clearEvery == 0 && fed < m_options.groups) {
                Clear();
            }
        }
        if (fed >= m_options.groups && m_clock.elapsed() >= m_options.minSeconds * 1000LL) {
            m_feed.stop();
            // The plug-in destroys its window when the application quits: read it before.
            last = ReadCounts(m_window);
            Check(last, "at the end");
            fdsEnd = OpenDescriptors();
            rssEnd = ResidentKiB();
            QCoreApplication::quit();
        }
    }

    void Clear() {
        const Counts counts = ReadCounts(m_window);
        Check(counts, "at Clear " + std::to_string(++clears));
        sentTotal += counts.sent;
        cleared += counts.waiting;
        Control<QPushButton>(m_window, "Button1")->click();
    }

public:
    void Check(const Counts& counts, const std::string& when) {
        std::printf("%s: %s%s\n", when.c_str(), counts.Text().c_str(),
                    counts.Balanced() ? "" : "  UNBALANCED");
        ok = ok && counts.Balanced();
    }

private:
    const Options& m_options;
    PluginLibrary& m_plugin;
    QWidget* m_window;
    QElapsedTimer m_clock;
    QTimer m_feed;
    QTimer m_watch;
};

// The encoder's groups must be numbered groups that the plug-in could send, in rising order.
struct EncoderRecord {
    long long groups = 0;
    bool ordered = true;
};

EncoderRecord ReadEncoderRecord(const QString& path) {
    EncoderRecord record;
    std::ifstream in(path.toStdString());
    long long previous = -1;
    for (std::string line; std::getline(in, line);) {
        // "PPPP B2B2 B3B3 B4B4", the PI "----" before any PI command.
        unsigned b2 = 0, b3 = 0, b4 = 0;
        if (line.size() < 19 || line[0] == '#' ||
            std::sscanf(line.c_str() + 5, "%x %x %x", &b2, &b3, &b4) != 3) {
            continue;
        }
        const long long n = (static_cast<long long>(b4) << 16) | b3;
        record.ordered = record.ordered && n > previous && n % 7 != 0 && n % 1000 != 999;
        previous = n;
        ++record.groups;
    }
    return record;
}

int Run(const Options& options, const QString& pluginPath, const QString& encoderPath) {
    QTemporaryDir scratch;
    qputenv("XDG_CONFIG_HOME", scratch.path().toUtf8());
    const QString received = scratch.filePath("received.txt");
    const QString summary = scratch.filePath("summary.txt");
    QProcess simulator;
    QStringList arguments =
        options.serial ? QStringList{"--pty", "--com", "7"} : QStringList{"--tcp", "0"};
    arguments << "--cycle" << kFaultCycle << "--stop-for"
              << "3000"
              << "--delay"
              << "40"
              << "--output" << received << "--summary" << summary;
    const QString port = plugin_driver::StartSimulator(simulator, encoderPath, arguments);

    PluginLibrary plugin;
    if (!plugin.Load(pluginPath.toStdString())) {
        throw std::runtime_error(plugin.Error());
    }
    auto* window = static_cast<QWidget*>(plugin.Initialize(0, 0));
    Control<QTimer>(window, "TCPCon")->setInterval(500);
    plugin_driver::TickGroupTypes(window, {0});
    plugin_driver::SetEncoderTab(window, {options.serial, port, 4, true, false});
    QElapsedTimer wall;
    wall.start();
    Soak soak(options, plugin, window);
    QCoreApplication::exec();

    const Counts& last = soak.last;
    const long fds = soak.fdsEnd;
    const long rss = soak.rssEnd;
    simulator.terminate();
    simulator.waitForFinished(5000);
    const EncoderRecord record = ReadEncoderRecord(received);
    const long long sent = soak.sentTotal + last.sent;
    QFile summaryFile(summary);
    summaryFile.open(QIODevice::ReadOnly);
    const std::string summaryText = summaryFile.readAll().toStdString();
    std::printf("%s", summaryText.c_str());
    const std::vector<std::string> senderFaults = encoder_sim::SenderFaults(
        summaryText, options.serial ? encoder_sim::CancelledLines::OnePerReconnect
                                    : encoder_sim::CancelledLines::AreFaults);
    for (const std::string& fault : senderFaults) {
        std::printf("encoder counted from the plug-in: %s\n", fault.c_str());
    }
    std::printf(
        "soak over %s: %lld groups fed in %.0f s, %lld clears (%lld groups cleared), %d "
        "reconnects by hand\n"
        "sent %lld, encoder received %lld in order: %s, not received %lld (written into "
        "connections that were closed or reset)\n"
        "descriptors %ld after 10^4 groups, %ld at the end; resident memory %ld KiB, %ld KiB\n",
        options.serial ? "a pseudo-terminal" : "TCP", soak.fed, wall.elapsed() / 1000.0,
        soak.clears, soak.cleared, soak.reconnects, sent, record.groups,
        record.ordered ? "yes" : "NO", sent - record.groups, soak.fdsEarly, fds, soak.rssEarly,
        rss);
    const bool flat = fds == soak.fdsEarly && rss <= soak.rssEarly + soak.rssEarly / 10;
    const bool pass =
        soak.ok && record.ordered && record.groups <= sent && flat && senderFaults.empty();
    std::printf("soak: %s\n", pass ? "PASS" : "FAIL");
    return pass ? 0 : 1;
}

}  // namespace

int main(int argc, char* argv[]) {
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QCommandLineParser parser;
    parser.addOptions({{"groups", "Groups to feed.", "n", "1000000"},
                       {"min-seconds", "Run at least this long.", "s", "120"},
                       {"clear-every", "Press Clear after this many groups.", "n", "100000"},
                       {"serial", "Reach the simulator over a pseudo-terminal."},
                       {"plugin", "The plug-in.", "path", TOLVANE_PLUGIN_PATH},
                       {"encoder", "The encoder simulator.", "path", TOLVANE_ENCODER_PATH}});
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    parser.process(arguments);
    const Options options{parser.value("groups").toLongLong(), parser.value("min-seconds").toInt(),
                          parser.value("clear-every").toLongLong(), parser.isSet("serial")};
    try {
        return Run(options, parser.value("plugin"), parser.value("encoder"));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "soak: %s\n", error.what());
        return 1;
    }
}
