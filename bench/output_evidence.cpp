// The encoder output measured against the encoder simulator: groups per second against the
// nominal pace of each mode, the time between commands, the time from an acknowledgement to
// the next command, and the longest stall of the event loop while sending.
//
//   output_evidence --mode 88|130|260|ack|ack-late|serial-1200|serial-stalled --seconds N
//
// It loads the plug-in like a host, sets the "RDS Encoder" tab, presses "Connect / Update",
// keeps the queue full and prints one line of figures.
#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <vector>

#include "plugin_driver.h"
#include "plugin_library.h"
#include "stall_meter.h"

namespace {

struct Mode {
    QString name;
    int speedIndex;  // RGSPEED: 0 = 1200 ... 4 = 19200 bps
    bool bidirectional;
    bool limit;
    bool serial;
    QStringList simulatorOptions;
    double nominalMs;
};

const std::vector<Mode>& Modes() {
    static const std::vector<Mode> modes = {
        {"88", 2, false, false, false, {"--reply", "none"}, 88},
        {"130", 1, false, false, false, {"--reply", "none"}, 130},
        {"260", 2, false, true, false, {"--reply", "none"}, 260},
        {"ack", 2, true, false, false, {"--reply", "ack"}, 60},
        // Answers 70 ms late, after the 60 ms spacing: the time to the next command is the
        // plug-in's own reaction to the acknowledgement.
        {"ack-late", 2, true, false, false, {"--reply", "delayed", "--delay", "70"}, 70},
        {"serial-1200", 0, false, false, true, {"--reply", "none"}, 260},
        {"serial-stalled", 4, false, false, true, {"--reply", "none", "--stop-reading", "0"}, 88},
    };
    return modes;
}

QString StartSimulator(QProcess& simulator, const QString& program, const Mode& mode,
                       const QString& summaryPath) {
    QStringList arguments =
        mode.serial ? QStringList{"--pty", "--com", "7"} : QStringList{"--tcp", "0"};
    arguments << mode.simulatorOptions << "--output"
              << "/dev/null"
              << "--summary" << summaryPath;
    return plugin_driver::StartSimulator(simulator, program, arguments);
}

// Groups of type 8A, numbered in block 3, one every 10 ms: faster than any mode sends them.
void FeedGroups(QTimer& feeder, const PluginLibrary& plugin) {
    static int32_t number = 0;
    feeder.setTimerType(Qt::PreciseTimer);
    QObject::connect(&feeder, &QTimer::timeout, &feeder, [&plugin] {
        const HostGroupRecord group{{0, 0, 0, 0xD3A7, 0x8000, number & 0xFFFF, 0x1234}};
        ++number;
        plugin.RDSGroup(&group);
    });
    feeder.start(10);
}

QString SummaryValue(const QString& summary, const QString& key) {
    const QRegularExpression line("^" + QRegularExpression::escape(key) + ": (.*)$",
                                  QRegularExpression::MultilineOption);
    return line.match(summary).captured(1);
}

double Figure(const QString& figures, const QString& name) {
    const QRegularExpression value(name + " ([0-9.]+)");
    return value.match(figures).captured(1).toDouble();
}

void Report(const Mode& mode, const QString& summary, const StallMeter& stalls,
            const QString& status) {
    const double rate = SummaryValue(summary, "groups per second").toDouble();
    const QString intervals = SummaryValue(summary, "command interval ms");
    const QString replies = SummaryValue(summary, "reply to next command ms");
    std::printf(
        "mode=%s groups=%s rate=%.2f ratio=%.3f interval_p50=%.1f interval_p99=%.1f "
        "ack_p50=%.1f ack_p99=%.1f stall_max=%.1f stall_p999=%.1f status=\"%s\"\n",
        qPrintable(mode.name), qPrintable(SummaryValue(summary, "groups")), rate,
        rate * mode.nominalMs / 1000.0, Figure(intervals, "median"), Figure(intervals, "p99"),
        Figure(replies, "median"), Figure(replies, "p99"), stalls.MaxMs(),
        stalls.PercentileMs(0.999), qPrintable(status));
    std::fflush(stdout);
}

int Run(const QString& modeName, int seconds, const QString& pluginPath,
        const QString& simulatorPath) {
    const auto found = std::find_if(Modes().begin(), Modes().end(),
                                    [&](const Mode& mode) { return mode.name == modeName; });
    if (found == Modes().end()) {
        throw std::runtime_error("unknown mode " + modeName.toStdString());
    }
    QTemporaryDir scratch;
    // The simulator links COM7 in this private port map, and the plug-in looks it up there.
    qputenv("XDG_CONFIG_HOME", scratch.path().toUtf8());
    const QString summaryPath = scratch.filePath("summary.txt");
    QProcess simulator;
    const QString port = StartSimulator(simulator, simulatorPath, *found, summaryPath);

    PluginLibrary plugin;
    if (!plugin.Load(pluginPath.toStdString())) {
        throw std::runtime_error(plugin.Error());
    }
    auto* window = static_cast<QWidget*>(plugin.Initialize(0, 0));
    plugin_driver::TickGroupTypes(window);
    plugin_driver::SetEncoderTab(
        window, {found->serial, port, found->speedIndex, found->bidirectional, found->limit});
    StallMeter stalls;
    QTimer feeder;
    FeedGroups(feeder, plugin);
    // The plug-in destroys its window when the application quits: read the status line before.
    QString status;
    QTimer::singleShot(seconds * 1000, Qt::PreciseTimer, [&] {
        status = plugin_driver::StatusText(window);
        QCoreApplication::quit();
    });
    QCoreApplication::exec();

    simulator.terminate();
    simulator.waitForFinished(5000);
    QFile file(summaryPath);
    file.open(QIODevice::ReadOnly);
    Report(*found, QString::fromUtf8(file.readAll()), stalls, status);
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOptions(
        {{"mode", "88, 130, 260, ack, ack-late, serial-1200 or serial-stalled.", "mode"},
         {"seconds", "How long to send.", "s", "60"},
         {"plugin", "The plug-in.", "path", TOLVANE_PLUGIN_PATH},
         {"encoder", "The encoder simulator.", "path", TOLVANE_ENCODER_PATH}});
    parser.process(app);
    try {
        return Run(parser.value("mode"), parser.value("seconds").toInt(), parser.value("plugin"),
                   parser.value("encoder"));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "output_evidence: %s\n", error.what());
        return 1;
    }
}
