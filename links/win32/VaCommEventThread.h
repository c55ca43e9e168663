#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>

#include "VaCommTypes.h"

namespace va_win32 {

// Sole owner of one kernel handle (an event, a thread or a device).
class UniqueHandle {
public:
    UniqueHandle() noexcept = default;
    explicit UniqueHandle(HANDLE handle) noexcept : m_handle(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    [[nodiscard]] HANDLE get() const noexcept { return m_handle; }
    [[nodiscard]] bool valid() const noexcept { return m_handle != nullptr; }
    void reset(HANDLE handle = nullptr) noexcept {
        if (m_handle != nullptr) {
            CloseHandle(m_handle);
        }
        m_handle = handle;
    }

private:
    HANDLE m_handle = nullptr;
};

// The system's thread priority for a component priority.
[[nodiscard]] int ThreadPriorityOf(TThreadPriority priority);

// A worker thread of this module that can be joined while the module unloads, under the loader
// lock, where waiting for a thread's end would deadlock (its exit takes that lock). Join waits
// for the thread's done event, which the thread signals and starts waiting in one system call;
// Join then queues ExitThread to it as an APC, so the thread's last steps run in the system's
// code only and never return into this module, which may be unmapped by then.
class ModuleThread {
public:
    using TWork = void (*)(void* context);

    ModuleThread() noexcept = default;
    ~ModuleThread() { Join(); }
    ModuleThread(const ModuleThread&) = delete;
    ModuleThread& operator=(const ModuleThread&) = delete;

    // Runs work(context), which must catch everything, on a new thread, and returns once that
    // thread runs; throws std::system_error when no thread can be made.
    void Start(TWork work, void* context, TThreadPriority priority);
    // Returns once work has returned; the thread's end follows in the system's code. The caller
    // first makes work return (work keeps running until it does).
    void Join() noexcept;
    void SetPriority(TThreadPriority priority) noexcept;
    // This module is being unloaded: from now on Join runs under the loader lock.
    static void SetUnloading() noexcept;
    [[nodiscard]] bool Running() const noexcept { return m_thread.valid(); }
    [[nodiscard]] HANDLE Handle() const noexcept { return m_thread.get(); }

private:
    static DWORD WINAPI entry(LPVOID self);

    TWork m_work = nullptr;
    void* m_context = nullptr;
    UniqueHandle m_thread;
    UniqueHandle m_done;
    UniqueHandle m_started;
};

}  // namespace va_win32

// Waits for line events of an open port (WaitCommEvent, overlapped) and hands their event bits
// to the owner's thread, waiting until the owner has dispatched them. It never reads the port:
// received bytes wait in the device queue for their reader. A line whose status can no longer
// be read has hung up: that is handed over once, after which the thread only waits to be
// stopped.
class TVaCommEventThread {
public:
    // Delivers bits to the owner's thread (a posted message); false when it could not.
    using TPost = std::function<bool(std::uint32_t bits)>;

    TVaCommEventThread(HANDLE port, std::uint32_t eventMask, TPost post);
    ~TVaCommEventThread();
    TVaCommEventThread(const TVaCommEventThread&) = delete;
    TVaCommEventThread& operator=(const TVaCommEventThread&) = delete;

    // Makes the thread's events and sets the port's event mask; returns 0 or the system error.
    DWORD Prepare();
    // Throws std::system_error when no thread can be made.
    void Start(TThreadPriority priority);
    // Tells the thread to end, wakes it and waits until it has finished.
    void Stop();
    void SetPriority(TThreadPriority priority);
    // Output was written: transmit-empty is reported once the output queue has drained.
    void NotifyWritten();
    // The owner's thread has dispatched the bits handed over last.
    void Dispatched();
    // The system error that stopped the thread (kThreadFailed) or hung the line up (kHungUp).
    [[nodiscard]] DWORD Failure() const { return m_failure; }
    [[nodiscard]] HANDLE ThreadHandle() const { return m_thread.Handle(); }

private:
    static void entry(void* self);
    void run();
    void watch(OVERLAPPED& wait);
    bool handOver(std::uint32_t bits);
    bool rest(DWORD milliseconds);
    bool lineEvents(DWORD mask, bool atOnce, std::uint32_t& bits);

    HANDLE m_port;
    std::uint32_t m_mask;
    TPost m_post;
    va_win32::ModuleThread m_thread;
    va_win32::UniqueHandle m_stop;
    va_win32::UniqueHandle m_wake;
    va_win32::UniqueHandle m_waitDone;
    va_win32::UniqueHandle m_dispatched;
    std::atomic<bool> m_txPending{false};
    std::atomic<DWORD> m_failure{0};
    DWORD m_lastInQue = 0;
};
