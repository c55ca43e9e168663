#include "support/pty_pair.h"

#include <QCoreApplication>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <thread>

namespace test_support {

PtyPair::PtyPair() {
    char name[256] = {};
    if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        throw std::runtime_error("openpty failed");
    }
    m_slavePath = name;
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    fcntl(m_master, F_SETFD, FD_CLOEXEC);
    fcntl(m_slave, F_SETFD, FD_CLOEXEC);
}

PtyPair::~PtyPair() {
    closeMaster();
    ::close(m_slave);
}

bool PtyPair::writeMaster(std::string_view bytes) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!bytes.empty() && std::chrono::steady_clock::now() < deadline) {
        const ssize_t sent = ::write(m_master, bytes.data(), bytes.size());
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        } else if (sent < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        } else {
            pollfd watch{m_master, POLLOUT, 0};
            poll(&watch, 1, 10);
        }
    }
    return bytes.empty();
}

std::string PtyPair::readMaster(std::size_t count, std::chrono::milliseconds timeout) {
    std::string result;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (result.size() < count && std::chrono::steady_clock::now() < deadline) {
        char buffer[4096];
        const ssize_t got = ::read(m_master, buffer, sizeof buffer);
        if (got > 0) {
            result.append(buffer, static_cast<std::size_t>(got));
        } else {
            pollfd watch{m_master, POLLIN, 0};
            poll(&watch, 1, 10);
        }
    }
    return result;
}

void PtyPair::drainMaster() {
    char buffer[4096];
    for (int i = 0; i < 1000 && ::read(m_master, buffer, sizeof buffer) > 0; ++i) {
    }
}

std::size_t PtyPair::fillFromSlave() {
    const int flags = fcntl(m_slave, F_GETFL);
    fcntl(m_slave, F_SETFL, flags | O_NONBLOCK);
    const std::string chunk(1024, '#');
    std::size_t written = 0;
    std::size_t size = chunk.size();
    // The kernel moves written bytes on to the master's queue a little later, which frees room
    // again, and a large write can be refused where a small one still fits: the line counts as
    // full once not even a single byte fits for a while.
    for (int idle = 0; idle < 10;) {
        const ssize_t sent = ::write(m_slave, chunk.data(), size);
        if (sent > 0) {
            written += static_cast<std::size_t>(sent);
            idle = 0;
        } else if (sent < 0 && errno != EINTR && errno != EAGAIN) {
            break;
        } else if (size > 1) {
            size = 1;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            ++idle;
        }
    }
    fcntl(m_slave, F_SETFL, flags);
    return written;
}

void PtyPair::closeMaster() {
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}

termios PtyPair::slaveSettings() const {
    termios settings{};
    tcgetattr(m_slave, &settings);
    return settings;
}

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

}  // namespace test_support
