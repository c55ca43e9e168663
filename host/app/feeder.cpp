#include "feeder.h"

#include <QCoreApplication>
#include <QLabel>
#include <cstdio>

#include "group_file.h"

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
    : m_plugin(plugin),
      m_window(window),
      m_options(options),
      m_beforeQuit(std::move(beforeQuit)),
      m_schedule({options.rate, options.quitAfter, options.waitSent}) {
    m_clock.start();
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { Tick(); });
    m_timer.start(5);
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
        ReportRejectedTotal(m_stream->Reader().Rejected());
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
    const qint64 now = Now();
    const std::size_t due = m_schedule.Due(now, m_groups.size());
    for (; m_next < due; ++m_next) {
        m_plugin.RDSGroup(&m_groups[m_next]);
    }
    const bool inputDone = m_next >= m_groups.size() && (!m_stream || m_streamEnded);
    if (m_schedule.ShouldFinish(now, inputDone, m_window->isVisible(), QueueIsEmpty())) {
        Finish();
    }
}

bool Feeder::QueueIsEmpty() const {
    const auto* waiting = m_window->findChild<QLabel*>("LW");
    return waiting == nullptr || WaitingLabelShowsEmpty(waiting->text().toStdString());
}
