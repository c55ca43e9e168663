#include "encoder_channel.h"

#include <QSocketNotifier>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cerrno>

namespace encoder_tool {
namespace {

// Bounds the work of one notification, so that a flooding peer cannot hold the event loop.
constexpr int kReadsPerNotification = 16;
constexpr int kHangUpWatchMs = 50;

}  // namespace

Channel::Channel(links::UniqueFd fd, bool socket)
    : m_fd(std::move(fd)),
      m_socket(socket),
      m_readNotifier(std::make_unique<QSocketNotifier>(m_fd.get(), QSocketNotifier::Read)),
      m_writeNotifier(std::make_unique<QSocketNotifier>(m_fd.get(), QSocketNotifier::Write)) {
    m_writeNotifier->setEnabled(false);
    connect(m_readNotifier.get(), &QSocketNotifier::activated, this, [this] { readable(); });
    connect(m_writeNotifier.get(), &QSocketNotifier::activated, this, [this] { writable(); });
    m_hangUpWatch.setInterval(kHangUpWatchMs);
    connect(&m_hangUpWatch, &QTimer::timeout, this, [this] { watchForHangUp(); });
}

Channel::~Channel() {
    m_readNotifier->setEnabled(false);
    m_writeNotifier->setEnabled(false);
    m_readNotifier.reset();
    m_writeNotifier.reset();
}

void Channel::Write(std::string_view bytes) {
    if (!m_up) {
        return;
    }
    if (!m_out.empty()) {
        m_out.append(bytes);
        return;
    }
    const ssize_t written = writeSome(bytes);
    if (written < 0) {
        hangUp();
        return;
    }
    m_out.assign(bytes.substr(static_cast<std::size_t>(written)));
    m_writeNotifier->setEnabled(!m_out.empty());
}

void Channel::SetReading(bool on) {
    m_reading = on;
    m_readNotifier->setEnabled(on && m_up);
    if (on || !m_up) {
        m_hangUpWatch.stop();
    } else {
        m_hangUpWatch.start();
    }
}

void Channel::Stop() {
    m_up = false;
    m_hangUpWatch.stop();
    m_readNotifier->setEnabled(false);
    m_writeNotifier->setEnabled(false);
    m_out.clear();
}

void Channel::Restart() {
    m_up = true;
    SetReading(true);
}

std::string Channel::Drain() {
    std::string bytes;
    std::array<char, 4096> buffer;
    ssize_t got = 0;
    while ((got = ::read(m_fd.get(), buffer.data(), buffer.size())) > 0) {
        bytes.append(buffer.data(), static_cast<std::size_t>(got));
    }
    return bytes;
}

void Channel::watchForHangUp() {
    pollfd watch{m_fd.get(), POLLRDHUP, 0};
    if (::poll(&watch, 1, 0) > 0 && (watch.revents & (POLLHUP | POLLRDHUP | POLLERR)) != 0) {
        hangUp();
    }
}

void Channel::readable() {
    std::array<char, 4096> buffer;
    for (int round = 0; round < kReadsPerNotification && m_up && m_reading; ++round) {
        const ssize_t got = m_socket ? ::recv(m_fd.get(), buffer.data(), buffer.size(), 0)
                                     : ::read(m_fd.get(), buffer.data(), buffer.size());
        if (got > 0) {
            // A copy, because the handler may end the peer and clear OnBytes while it runs.
            if (const auto onBytes = OnBytes) {
                onBytes(std::string_view(buffer.data(), static_cast<std::size_t>(got)));
            }
        } else if (got < 0 && errno == EINTR) {
            continue;
        } else if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;
        } else {
            hangUp();
            return;
        }
    }
}

void Channel::writable() {
    const ssize_t written = writeSome(m_out);
    if (written < 0) {
        hangUp();
        return;
    }
    m_out.erase(0, static_cast<std::size_t>(written));
    m_writeNotifier->setEnabled(!m_out.empty());
}

// Bytes written (0 when the peer's buffers are full), or -1 when the peer is gone.
ssize_t Channel::writeSome(std::string_view bytes) {
    while (true) {
        const ssize_t written = m_socket
                                    ? ::send(m_fd.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL)
                                    : ::write(m_fd.get(), bytes.data(), bytes.size());
        if (written >= 0) {
            return written;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return 0;
        }
        if (errno != EINTR) {
            return -1;
        }
    }
}

void Channel::hangUp() {
    if (!m_up) {
        return;
    }
    Stop();
    if (OnHangUp) {
        OnHangUp();
    }
}

}  // namespace encoder_tool
