// The live pipeline's delay: group lines written to the reference host's standard input, one
// every 88 ms as a decoder delivers them, and the time until each group's command reaches the
// encoder simulator's socket (it prints each group as it arrives). The plug-in runs as the main
// job's demo workspace sets it: TCP, bidirectional, the encoder acknowledging.
//
//   live_latency [--groups N]
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <vector>

#include "plugin_driver.h"

namespace {

// The plug-in's defaults as the host saves them, pointed at the simulator.
void WriteWorkspace(const QString& path, const QString& port) {
    QProcess host;
    host.start(TOLVANE_HOST_PATH, {"--plugin", TOLVANE_PLUGIN_PATH, "--workspace-file", path,
                                   "--command", "HIDE", "--quit-after", "0"});
    host.waitForFinished(10000);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw std::runtime_error("the host wrote no workspace");
    }
    QString text = QString::fromUtf8(file.readAll());
    file.close();
    const std::pair<const char*, QString> settings[] = {{"ConnectionType", "1"},
                                                        {"Limit", "0"},
                                                        {"Bidirectional", "1"},
                                                        {"Visible", "0"},
                                                        {"Port", "@ByteArray(" + port + ")"}};
    for (const auto& [key, value] : settings) {
        text.replace(
            QRegularExpression(QString("^%1=.*$").arg(key), QRegularExpression::MultilineOption),
            QString("%1=%2").arg(key, value));
    }
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(text.toUtf8());
}

double Percentile(std::vector<double> values, double fraction) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(fraction * static_cast<double>(values.size()));
    return values[std::min(rank, values.size() - 1)];
}

int Run(int count) {
    QTemporaryDir scratch;
    QProcess simulator;
    const QString port = plugin_driver::StartSimulator(simulator, TOLVANE_ENCODER_PATH,
                                                       {"--tcp", "0", "--reply", "ack"});
    WriteWorkspace(scratch.filePath("live.ini"), port);
    QProcess host;
    host.start(TOLVANE_HOST_PATH, {"--plugin", TOLVANE_PLUGIN_PATH, "--workspace-file",
                                   scratch.filePath("live.ini"), "--groups", "-"});
    host.waitForStarted(5000);

    QElapsedTimer clock;
    clock.start();
    std::map<int, qint64> written;
    std::vector<double> delays;
    QObject::connect(&simulator, &QProcess::readyReadStandardOutput, [&] {
        while (simulator.canReadLine()) {
            const QStringList blocks = QString::fromUtf8(simulator.readLine()).split(' ');
            if (blocks.size() == 4 && written.count(blocks[2].toInt(nullptr, 16)) != 0) {
                const qint64 sent = written[blocks[2].toInt(nullptr, 16)];
                delays.push_back(static_cast<double>(clock.nsecsElapsed() - sent) / 1e6);
            }
        }
    });
    int next = 0;
    QTimer feed;
    feed.setTimerType(Qt::PreciseTimer);
    QObject::connect(&feed, &QTimer::timeout, [&] {
        if (next == count) {
            feed.stop();
            host.closeWriteChannel();
            QTimer::singleShot(2000, [] { QCoreApplication::quit(); });
            return;
        }
        written[next] = clock.nsecsElapsed();
        host.write(QString("D3A7 8000 %1 0000\n").arg(next++, 4, 16, QChar('0')).toLatin1());
    });
    QTimer::singleShot(1500, [&] { feed.start(88); });  // the connection comes up first
    QCoreApplication::exec();
    std::printf(
        "live stream: %d lines one every 88 ms, %zu commands at the encoder; delay from "
        "the line written to the command received: p50 %.1f ms, p99 %.1f ms, max %.1f ms\n",
        count, delays.size(), Percentile(delays, 0.5), Percentile(delays, 0.99),
        Percentile(delays, 1.0));
    host.waitForFinished(5000);
    simulator.terminate();
    simulator.waitForFinished(5000);
    return delays.size() == static_cast<std::size_t>(count) ? 0 : 1;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOptions({{"groups", "Lines to write.", "n", "500"}});
    parser.process(app);
    try {
        return Run(parser.value("groups").toInt());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "live_latency: %s\n", error.what());
        return 1;
    }
}
