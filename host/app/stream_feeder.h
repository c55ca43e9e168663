#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <cstdint>
#include <functional>

#include "group_stream.h"

// Feeds the plug-in from a live stream (standard input from a decoder): each group is handed on
// as soon as its line has arrived, with no read-ahead and no pacing. Bad lines are reported on
// standard error with their line number (the first kMaxReportedLines of them) and counted.
class StreamFeeder : public QObject {
public:
    // `fd` stays open and is not made non-blocking: it may be shared with the host's parent.
    StreamFeeder(int fd, std::function<void(const HostGroupRecord&)> deliver);

    // End of input, or a read error (reported on standard error first).
    std::function<void()> OnEnd;

    [[nodiscard]] const GroupLineReader& Reader() const { return m_reader; }

private:
    void ReadSome();

    int m_fd;
    GroupLineReader m_reader;
    QSocketNotifier m_notifier;
};
