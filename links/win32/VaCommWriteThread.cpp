#include "VaCommWriteThread.h"

#include <system_error>

using va_event_bits::kError;
using va_event_bits::kTxEmpty;

TVaCommWriteThread::TVaCommWriteThread(HANDLE port, std::size_t capacity, TPost post)
    : m_port(port), m_capacity(capacity), m_post(std::move(post)) {}

TVaCommWriteThread::~TVaCommWriteThread() {
    Stop();
}

DWORD TVaCommWriteThread::Prepare() {
    m_stop.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    m_hasData.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    m_written.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    return m_stop.valid() && m_hasData.valid() && m_written.valid() ? 0 : GetLastError();
}

void TVaCommWriteThread::Start(TThreadPriority priority) {
    m_thread.Start(&TVaCommWriteThread::entry, this, priority);
}

void TVaCommWriteThread::Stop() {
    if (!m_thread.Running()) {
        return;
    }
    SetEvent(m_stop.get());
    m_thread.Join();
}

void TVaCommWriteThread::SetPriority(TThreadPriority priority) {
    m_thread.SetPriority(priority);
}

bool TVaCommWriteThread::TryAppend(const char* data, std::size_t count) {
    {
        std::lock_guard lock(m_mutex);
        if (m_buffer.size() + count > m_capacity) {
            return false;
        }
        m_buffer.append(data, count);
    }
    SetEvent(m_hasData.get());
    return true;
}

void TVaCommWriteThread::entry(void* self) {
    try {
        static_cast<TVaCommWriteThread*>(self)->run();
    } catch (...) {
        // Nothing may leave a thread's entry; the buffered bytes are given up as on a failure.
        try {
            static_cast<TVaCommWriteThread*>(self)->m_post(kError);
        } catch (...) {
        }
    }
}

void TVaCommWriteThread::run() {
    OVERLAPPED write{};
    write.hEvent = m_written.get();
    while (true) {
        const HANDLE handles[] = {m_stop.get(), m_hasData.get()};
        if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) {
            return;
        }
        while (writeBlock(write)) {
        }
        if (WaitForSingleObject(m_stop.get(), 0) == WAIT_OBJECT_0) {
            return;
        }
    }
}

// Writes the whole buffered block with one overlapped write; false once the buffer is empty,
// a write failed or the thread is told to stop.
bool TVaCommWriteThread::writeBlock(OVERLAPPED& write) {
    std::string block;
    {
        std::lock_guard lock(m_mutex);
        block = m_buffer;
    }
    if (block.empty()) {
        return false;
    }
    ResetEvent(m_written.get());
    DWORD done = 0;
    bool failed =
        !WriteFile(m_port, block.data(), static_cast<DWORD>(block.size()), &done, &write) &&
        GetLastError() != ERROR_IO_PENDING;
    if (!failed) {
        const HANDLE handles[] = {m_stop.get(), m_written.get()};
        if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) {
            CancelIoEx(m_port, &write);
        }
        failed = !GetOverlappedResult(m_port, &write, &done, TRUE) &&
                 GetLastError() != ERROR_OPERATION_ABORTED;
    }
    std::unique_lock lock(m_mutex);
    if (failed) {
        m_buffer.clear();
    } else {
        m_buffer.erase(0, std::min<std::size_t>(done, m_buffer.size()));
    }
    const bool empty = m_buffer.empty();
    lock.unlock();
    if (failed || empty) {
        m_post(failed ? kError : kTxEmpty);
        return false;
    }
    return WaitForSingleObject(m_stop.get(), 0) != WAIT_OBJECT_0;
}
