#include "stream_feeder.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "group_file.h"

StreamFeeder::StreamFeeder(int fd, std::function<void(const HostGroupRecord&)> deliver)
    : m_fd(fd), m_notifier(fd, QSocketNotifier::Read) {
    m_reader.OnGroup = std::move(deliver);
    ReportRejectedStreamLines(m_reader);
    QObject::connect(&m_notifier, &QSocketNotifier::activated, this, [this] { ReadSome(); });
}

// One read per notification: a pipe gives what has arrived without waiting for more.
void StreamFeeder::ReadSome() {
    std::array<char, 65536> buffer;
    const ssize_t count = ::read(m_fd, buffer.data(), buffer.size());
    if (count > 0) {
        m_reader.Feed(std::string_view(buffer.data(), static_cast<std::size_t>(count)));
        return;
    }
    if (count < 0 && (errno == EINTR || errno == EAGAIN)) {
        return;
    }
    if (count < 0) {
        std::fprintf(stderr, "tolvane-host: reading the groups: %s\n", std::strerror(errno));
    }
    m_notifier.setEnabled(false);
    m_reader.Finish();
    if (OnEnd) {
        OnEnd();
    }
}
