#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "VaCommEventThread.h"

// Writes buffered output in the background, for ports that do not write directly. It reports
// the transmit-empty bit when its buffer has gone out and the error bit when a write fails,
// in which case the buffered bytes are dropped: the device will not take them.
class TVaCommWriteThread {
public:
    using THandOver = std::function<void(std::uint32_t bits)>;

    TVaCommWriteThread(int fd, std::size_t capacity, THandOver handOver);
    ~TVaCommWriteThread();
    TVaCommWriteThread(const TVaCommWriteThread&) = delete;
    TVaCommWriteThread& operator=(const TVaCommWriteThread&) = delete;

    // Returns 0 or the errno of the call that failed.
    int Prepare();
    void Start(TThreadPriority priority);
    void Stop();
    void SetPriority(TThreadPriority priority);
    // False when the bytes do not fit into the free part of the buffer.
    bool TryAppend(const char* data, std::size_t count);

private:
    void run();
    bool waitForOutput();
    void writeBlock();

    int m_fd;
    std::size_t m_capacity;
    THandOver m_handOver;
    links::UniqueFd m_wakeFd;
    std::mutex m_mutex;
    std::condition_variable m_hasData;
    std::string m_buffer;
    std::thread m_thread;
    std::atomic<bool> m_terminated{false};
    std::atomic<pid_t> m_tid{0};
    std::atomic<TThreadPriority> m_priority{tpNormal};
};
