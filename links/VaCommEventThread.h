#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

#include "LinkCommon.h"
#include "VaCommTypes.h"

// Gives the calling-side thread tid the nice value that stands for priority. Raising a
// priority above normal needs privileges; without them the thread keeps its current one.
void VaApplyThreadPriority(pid_t tid, TThreadPriority priority);

// Waits for line events of an open port and passes their event bits on. It never reads the
// port: received bytes wait in the device queue for their reader. Arrivals are watched with
// edge-triggered epoll, so bytes left unread cost nothing; an eventfd stops it or tells it
// that output was written, after which it polls the output queue until it is empty.
class TVaCommEventThread {
public:
    using THandOver = std::function<void(std::uint32_t bits)>;

    // eventMask holds the bits to report; readSize is the queue size for the 80 % mark.
    TVaCommEventThread(int fd, std::uint32_t eventMask, int readSize, THandOver handOver);
    ~TVaCommEventThread();
    TVaCommEventThread(const TVaCommEventThread&) = delete;
    TVaCommEventThread& operator=(const TVaCommEventThread&) = delete;

    // Sets up the waiting; returns 0 or the errno of the call that failed.
    int Prepare();
    void Start(TThreadPriority priority);
    // Tells the thread to end, wakes it and waits until it has finished.
    void Stop();
    void SetPriority(TThreadPriority priority);
    void NotifyWritten();
    // The errno that stopped the thread, after it handed over kThreadFailed; 0 before.
    [[nodiscard]] int Failure() const { return m_failure; }

private:
    void run();
    std::uint32_t lineBits(std::uint32_t epollEvents);
    std::uint32_t pollBits();
    std::uint32_t counterBits();
    int waitTimeout() const;
    void wake();

    int m_fd;
    std::uint32_t m_mask;
    int m_readSize;
    THandOver m_handOver;
    links::UniqueFd m_epoll;
    links::UniqueFd m_wakeFd;
    std::thread m_thread;
    std::atomic<bool> m_terminated{false};
    std::atomic<bool> m_txPending{false};
    std::atomic<int> m_failure{0};
    std::atomic<pid_t> m_tid{0};
    std::atomic<TThreadPriority> m_priority{tpNormal};
    bool m_watchingLine = true;
    bool m_modemLines = false;
    int m_lastModemBits = 0;
    bool m_countersKnown = false;
    int m_lastBreaks = 0;
    int m_lastErrors = 0;
};
