#include "VaCommEventThread.h"

#include <linux/serial.h>
#include <pthread.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>

namespace {

using namespace va_event_bits;

constexpr std::uint32_t kModemEvents = kCts | kDsr | kRlsd | kRing;
constexpr int kTxPollMs = 10;
constexpr int kModemPollMs = 50;

constexpr int kNiceOf[] = {19, 10, 5, 0, -5, -10, -15};

}  // namespace

void VaApplyThreadPriority(pid_t tid, TThreadPriority priority) {
    if (tid != 0) {
        setpriority(PRIO_PROCESS, static_cast<id_t>(tid), kNiceOf[priority]);
    }
}

TVaCommEventThread::TVaCommEventThread(int fd, std::uint32_t eventMask, int readSize,
                                       THandOver handOver)
    : m_fd(fd), m_mask(eventMask), m_readSize(readSize), m_handOver(std::move(handOver)) {}

TVaCommEventThread::~TVaCommEventThread() {
    Stop();
}

int TVaCommEventThread::Prepare() {
    m_epoll.reset(epoll_create1(EPOLL_CLOEXEC));
    if (!m_epoll.valid()) {
        return errno;
    }
    m_wakeFd.reset(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!m_wakeFd.valid()) {
        return errno;
    }
    epoll_event wakeEvent{EPOLLIN, {.fd = m_wakeFd.get()}};
    epoll_event lineEvent{EPOLLIN | EPOLLRDHUP | EPOLLET, {.fd = m_fd}};
    if (epoll_ctl(m_epoll.get(), EPOLL_CTL_ADD, m_wakeFd.get(), &wakeEvent) != 0 ||
        epoll_ctl(m_epoll.get(), EPOLL_CTL_ADD, m_fd, &lineEvent) != 0) {
        return errno;
    }
    m_modemLines = (m_mask & kModemEvents) != 0 && ioctl(m_fd, TIOCMGET, &m_lastModemBits) == 0;
    counterBits();
    return 0;
}

void TVaCommEventThread::Start(TThreadPriority priority) {
    m_priority = priority;
    m_thread = std::thread([this] { run(); });
}

void TVaCommEventThread::Stop() {
    if (!m_thread.joinable()) {
        return;
    }
    m_terminated = true;
    wake();
    m_thread.join();
}

void TVaCommEventThread::SetPriority(TThreadPriority priority) {
    m_priority = priority;
    VaApplyThreadPriority(m_tid, priority);
}

void TVaCommEventThread::NotifyWritten() {
    if ((m_mask & kTxEmpty) != 0) {
        m_txPending = true;
        wake();
    }
}

void TVaCommEventThread::wake() {
    const std::uint64_t one = 1;
    while (write(m_wakeFd.get(), &one, sizeof one) < 0 && errno == EINTR) {
    }
}

int TVaCommEventThread::waitTimeout() const {
    if (m_txPending) {
        return kTxPollMs;
    }
    return m_modemLines ? kModemPollMs : -1;
}

void TVaCommEventThread::run() {
    pthread_setname_np(pthread_self(), "VaCommEvent");
    m_tid = gettid();
    VaApplyThreadPriority(m_tid, m_priority);
    while (!m_terminated) {
        epoll_event events[2];
        const int count = epoll_wait(m_epoll.get(), events, 2, waitTimeout());
        if (count < 0 && errno != EINTR) {
            // The thread cannot watch the line any longer: say so rather than fall silent.
            m_failure = errno;
            m_handOver(va_event_bits::kThreadFailed);
            return;
        }
        std::uint32_t bits = 0;
        for (int i = 0; i < count; ++i) {
            if (events[i].data.fd == m_wakeFd.get()) {
                std::uint64_t value = 0;
                [[maybe_unused]] const ssize_t drained = read(m_wakeFd.get(), &value, sizeof value);
            } else {
                bits |= lineBits(events[i].events);
            }
        }
        bits = (bits | pollBits()) & (m_mask | kHungUp);
        if (bits != 0 && !m_terminated) {
            m_handOver(bits);
        }
    }
}

std::uint32_t TVaCommEventThread::lineBits(std::uint32_t epollEvents) {
    std::uint32_t bits = 0;
    if ((epollEvents & (EPOLLHUP | EPOLLERR | EPOLLRDHUP)) != 0) {
        // The device is gone: report it once and stop watching a line that cannot change.
        epoll_ctl(m_epoll.get(), EPOLL_CTL_DEL, m_fd, nullptr);
        m_watchingLine = false;
        m_modemLines = false;
        return kError | kHungUp;
    }
    if ((epollEvents & EPOLLIN) != 0) {
        bits |= kRxChar;
        int waiting = 0;
        if (ioctl(m_fd, FIONREAD, &waiting) == 0 && m_readSize > 0 &&
            std::int64_t{waiting} * 5 >= std::int64_t{m_readSize} * 4) {
            bits |= kRx80Full;
        }
        bits |= counterBits();
    }
    return bits;
}

std::uint32_t TVaCommEventThread::pollBits() {
    std::uint32_t bits = 0;
    if (m_txPending) {
        int queued = 0;
        if (!m_watchingLine || ioctl(m_fd, TIOCOUTQ, &queued) != 0 || queued == 0) {
            m_txPending = false;
            bits |= kTxEmpty;
        }
    }
    int modem = 0;
    if (m_modemLines && ioctl(m_fd, TIOCMGET, &modem) == 0) {
        const int changed = modem ^ m_lastModemBits;
        bits |= ((changed & TIOCM_CTS) ? kCts : 0) | ((changed & TIOCM_DSR) ? kDsr : 0) |
                ((changed & TIOCM_CD) ? kRlsd : 0) |
                ((modem & ~m_lastModemBits & TIOCM_RI) ? kRing : 0);
        m_lastModemBits = modem;
    }
    return bits;
}

std::uint32_t TVaCommEventThread::counterBits() {
    serial_icounter_struct counters{};
    if ((m_mask & (kBreak | kError)) == 0 || ioctl(m_fd, TIOCGICOUNT, &counters) != 0) {
        return 0;
    }
    const int errors = counters.frame + counters.overrun + counters.parity + counters.buf_overrun;
    std::uint32_t bits = 0;
    if (m_countersKnown) {
        bits |= (counters.brk != m_lastBreaks ? kBreak : 0) | (errors != m_lastErrors ? kError : 0);
    }
    m_countersKnown = true;
    m_lastBreaks = counters.brk;
    m_lastErrors = errors;
    return bits;
}
