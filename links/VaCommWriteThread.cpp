#include "VaCommWriteThread.h"

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>

using va_event_bits::kError;
using va_event_bits::kTxEmpty;

TVaCommWriteThread::TVaCommWriteThread(int fd, std::size_t capacity, THandOver handOver)
    : m_fd(fd), m_capacity(capacity), m_handOver(std::move(handOver)) {}

TVaCommWriteThread::~TVaCommWriteThread() {
    Stop();
}

int TVaCommWriteThread::Prepare() {
    m_wakeFd.reset(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    return m_wakeFd.valid() ? 0 : errno;
}

void TVaCommWriteThread::Start(TThreadPriority priority) {
    m_priority = priority;
    m_thread = std::thread([this] { run(); });
}

void TVaCommWriteThread::Stop() {
    if (!m_thread.joinable()) {
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_terminated = true;
    }
    m_hasData.notify_all();
    const std::uint64_t one = 1;
    while (write(m_wakeFd.get(), &one, sizeof one) < 0 && errno == EINTR) {
    }
    m_thread.join();
}

void TVaCommWriteThread::SetPriority(TThreadPriority priority) {
    m_priority = priority;
    VaApplyThreadPriority(m_tid, priority);
}

bool TVaCommWriteThread::TryAppend(const char* data, std::size_t count) {
    {
        std::lock_guard lock(m_mutex);
        if (m_buffer.size() + count > m_capacity) {
            return false;
        }
        m_buffer.append(data, count);
    }
    m_hasData.notify_all();
    return true;
}

void TVaCommWriteThread::run() {
    pthread_setname_np(pthread_self(), "VaCommWrite");
    m_tid = gettid();
    VaApplyThreadPriority(m_tid, m_priority);
    while (true) {
        {
            std::unique_lock lock(m_mutex);
            m_hasData.wait(lock, [this] { return m_terminated || !m_buffer.empty(); });
            if (m_terminated) {
                return;
            }
        }
        writeBlock();
    }
}

// Waits until the device takes output or the thread is told to end.
bool TVaCommWriteThread::waitForOutput() {
    pollfd fds[2] = {{m_fd, POLLOUT, 0}, {m_wakeFd.get(), POLLIN, 0}};
    while (!m_terminated) {
        if (poll(fds, 2, -1) < 0 && errno != EINTR) {
            return false;
        }
        if ((fds[0].revents & (POLLOUT | POLLERR | POLLHUP)) != 0) {
            return true;
        }
    }
    return false;
}

void TVaCommWriteThread::writeBlock() {
    std::string block;
    {
        std::lock_guard lock(m_mutex);
        block = m_buffer;
    }
    const ssize_t written = write(m_fd, block.data(), block.size());
    if (written < 0 && (errno == EAGAIN || errno == EINTR)) {
        waitForOutput();
        return;
    }
    std::unique_lock lock(m_mutex);
    if (written < 0) {
        m_buffer.clear();
    } else {
        m_buffer.erase(0, static_cast<std::size_t>(written));
    }
    const bool empty = m_buffer.empty();
    lock.unlock();
    if (written < 0) {
        m_handOver(kError);
    } else if (empty) {
        m_handOver(kTxEmpty);
    }
}
