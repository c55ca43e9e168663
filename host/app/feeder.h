#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "feed_schedule.h"
#include "plugin_library.h"
#include "stream_feeder.h"

// Feeds the plug-in and ends the host when the FeedSchedule says so. Groups come from a file,
// paced at a rate (0: all at once), or live from a stream such as standard input, each as soon
// as its line has arrived. `beforeQuit` runs once, while the window still exists, and gives
// the exit code.
class Feeder {
public:
    struct Options {
        double rate = 0;
        double quitAfter = -1;
        double waitSent = 0;
        QString screenshot;  // a picture of the window as the host ends, when not empty
    };

    Feeder(PluginLibrary& plugin, QWidget* window, const Options& options,
           std::function<int()> beforeQuit);

    void FeedGroups(std::vector<HostGroupRecord> groups);
    void FeedStream(int fd);
    void Finish();

private:
    void Tick();
    bool QueueIsEmpty() const;
    qint64 Now() const { return m_clock.elapsed(); }

    PluginLibrary& m_plugin;
    QWidget* m_window;
    Options m_options;
    std::function<int()> m_beforeQuit;
    std::vector<HostGroupRecord> m_groups;
    std::size_t m_next = 0;
    std::unique_ptr<StreamFeeder> m_stream;
    bool m_streamEnded = false;
    FeedSchedule m_schedule;
    bool m_finished = false;
    QElapsedTimer m_clock;
    QTimer m_timer;
};

// The plug-in's statistics as caption and value lines, read from its window.
void PrintStatistics(QWidget* window);
