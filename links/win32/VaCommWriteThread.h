#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "VaCommEventThread.h"

// Writes buffered output in the background, for ports that do not write directly. It reports
// the transmit-empty bit when its buffer has gone out and the error bit when a write fails,
// in which case the buffered bytes are dropped: the device will not take them.
class TVaCommWriteThread {
public:
    // Delivers bits to the owner's thread (a posted message); false when it could not.
    using TPost = std::function<bool(std::uint32_t bits)>;

    TVaCommWriteThread(HANDLE port, std::size_t capacity, TPost post);
    ~TVaCommWriteThread();
    TVaCommWriteThread(const TVaCommWriteThread&) = delete;
    TVaCommWriteThread& operator=(const TVaCommWriteThread&) = delete;

    // Returns 0 or the system error of the call that failed.
    DWORD Prepare();
    // Throws std::system_error when no thread can be made.
    void Start(TThreadPriority priority);
    void Stop();
    void SetPriority(TThreadPriority priority);
    // False when the bytes do not fit into the free part of the buffer.
    bool TryAppend(const char* data, std::size_t count);

private:
    static void entry(void* self);
    void run();
    bool writeBlock(OVERLAPPED& write);

    HANDLE m_port;
    std::size_t m_capacity;
    TPost m_post;
    va_win32::ModuleThread m_thread;
    va_win32::UniqueHandle m_stop;
    va_win32::UniqueHandle m_hasData;
    va_win32::UniqueHandle m_written;
    std::mutex m_mutex;
    std::string m_buffer;
};
