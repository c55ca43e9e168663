#include "feeder.h"

#include <QCoreApplication>
#include <QLabel>
#include <cstdio>

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
    std::fflush(stdout);
}

Feeder::Feeder(PluginLibrary& plugin, QWidget* window, const Options& options,
               std::function<int()> beforeQuit)
    : m_plugin(plugin), m_window(window), m_options(options), m_beforeQuit(std::move(beforeQuit)) {
    m_clock.start();
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { Tick(); });
    m_timer.start(5);
    if (m_options.quitAfter >= 0) {
        QTimer::singleShot(static_cast<int>(m_options.quitAfter * 1000), qApp,
                           [this] { Finish(); });
    }
}

void Feeder::FeedGroups(std::vector<HostGroupRecord> groups) {
    m_groups = std::move(groups);
    m_next = 0;
}

void Feeder::FeedStream(int fd) {
    m_stream = std::make_unique<StreamFeeder>(
        fd, [this](const HostGroupRecord& group) { m_plugin.RDSGroup(&group); });
    m_stream->OnEnd = [this] {
        m_streamEnded = true;
        const int64_t rejected = m_stream->Reader().Rejected();
        if (rejected > 0) {
            std::fprintf(stderr, "tolvane-host: %lld lines were no group and were skipped\n",
                         static_cast<long long>(rejected));
        }
    };
}

// The plug-in destroys its window when the application quits, so read it before that.
void Feeder::Finish() {
    if (m_finished) {
        return;
    }
    m_finished = true;
    m_timer.stop();
    PrintStatistics(m_window);
    if (!m_options.screenshot.isEmpty() && !m_window->grab().save(m_options.screenshot)) {
        std::fprintf(stderr, "tolvane-host: cannot write %s\n", qPrintable(m_options.screenshot));
    }
    QCoreApplication::exit(m_beforeQuit());
}

void Feeder::Tick() {
    const double elapsed = static_cast<double>(m_clock.elapsed()) / 1000.0;
    const std::size_t due = m_options.rate <= 0
                                ? m_groups.size()
                                : static_cast<std::size_t>(elapsed * m_options.rate) + 1;
    for (; m_next < m_groups.size() && m_next < due; ++m_next) {
        m_plugin.RDSGroup(&m_groups[m_next]);
    }
    const bool inputDone = m_next >= m_groups.size() && (!m_stream || m_streamEnded);
    if (!inputDone || m_window->isVisible() || m_options.quitAfter >= 0) {
        return;
    }
    if (m_inputDoneAt < 0) {
        m_inputDoneAt = m_clock.elapsed();
    }
    const qint64 now = m_clock.elapsed();
    if (now - m_inputDoneAt >= m_options.waitSent * 1000) {
        Finish();
        return;
    }
    // The last command may still be on its way to the encoder when the queue empties; closing
    // the link at once could cut it, so the queue must stay empty for a moment.
    if (!QueueIsEmpty()) {
        m_emptySince = -1;
    } else if (m_emptySince < 0) {
        m_emptySince = now;
    } else if (now - m_emptySince >= kSettleMs) {
        Finish();
    }
}

// "Groups waiting in buffer" reads 0, or was never set because nothing was queued.
bool Feeder::QueueIsEmpty() const {
    const auto* waiting = m_window->findChild<QLabel*>("LW");
    bool isNumber = false;
    const int count = waiting != nullptr ? waiting->text().toInt(&isNumber) : 0;
    return !isNumber || count == 0;
}
