#include "VaCommEventThread.h"

#include <system_error>

namespace {

using namespace va_event_bits;

// While output waits to drain, how often the output queue is looked at.
constexpr DWORD kTxPollMs = 10;
// How long the thread rests after a wait that ended with nothing to report. Wine's emulation
// ends a wait at once for as long as unread bytes wait or the output queue is empty, and ends
// some waits with ERROR_OPERATION_ABORTED and no event at all: without the rest the thread
// would spin on a line with unread bytes.
constexpr DWORD kRestMs = 20;

constexpr int kPriorities[] = {THREAD_PRIORITY_IDLE,         THREAD_PRIORITY_LOWEST,
                               THREAD_PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_NORMAL,
                               THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST,
                               THREAD_PRIORITY_TIME_CRITICAL};

HANDLE makeEvent(bool manualReset) {
    return CreateEventA(nullptr, manualReset ? TRUE : FALSE, FALSE, nullptr);
}

}  // namespace

namespace va_win32 {

namespace {
std::atomic<bool> g_unloading{false};
}  // namespace

int ThreadPriorityOf(TThreadPriority priority) {
    const int index = static_cast<int>(priority);
    return index >= 0 && index <= tpTimeCritical ? kPriorities[index] : THREAD_PRIORITY_NORMAL;
}

void ModuleThread::Start(TWork work, void* context, TThreadPriority priority) {
    Join();
    m_work = work;
    m_context = context;
    m_done.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    m_started.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!m_done.valid() || !m_started.valid()) {
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category());
    }
    HANDLE thread = CreateThread(nullptr, 0, &ModuleThread::entry, this, CREATE_SUSPENDED, nullptr);
    if (thread == nullptr) {
        throw std::system_error(static_cast<int>(GetLastError()), std::system_category());
    }
    m_thread.reset(thread);
    SetThreadPriority(thread, ThreadPriorityOf(priority));
    ResumeThread(thread);
    // A new thread's start needs the loader lock: one still starting when the module unloads
    // could neither be waited for nor kept from running this module's code afterwards.
    const HANDLE started[] = {m_started.get(), thread};
    WaitForMultipleObjects(2, started, FALSE, INFINITE);
}

void ModuleThread::Join() noexcept {
    if (!m_thread.valid()) {
        return;
    }
    WaitForSingleObject(m_done.get(), INFINITE);
    if (!g_unloading.load()) {
        // ExitThread itself, looked up in the system's DLL: an import stub would be this module's.
        static const auto exitThread = reinterpret_cast<PAPCFUNC>(reinterpret_cast<void (*)()>(
            GetProcAddress(GetModuleHandleA("kernel32.dll"), "ExitThread")));
        if (QueueUserAPC(exitThread, m_thread.get(), 0)) {
            WaitForSingleObject(m_thread.get(), INFINITE);
        }
    }
    m_thread.reset();
    m_done.reset();
    m_started.reset();
}

void ModuleThread::SetUnloading() noexcept {
    g_unloading = true;
}

void ModuleThread::SetPriority(TThreadPriority priority) noexcept {
    if (m_thread.valid()) {
        SetThreadPriority(m_thread.get(), ThreadPriorityOf(priority));
    }
}

// The thread signals its done event and waits on itself (which never ends) in one call: the
// wait is alertable, so the ExitThread that Join queues ends the thread from inside it.
DWORD WINAPI ModuleThread::entry(LPVOID self) {
    auto* thread = static_cast<ModuleThread*>(self);
    SetEvent(thread->m_started.get());
    try {
        thread->m_work(thread->m_context);
    } catch (...) {
        // The work catches what it can report; nothing may leave a thread's entry.
    }
    SignalObjectAndWait(thread->m_done.get(), GetCurrentThread(), INFINITE, TRUE);
    while (true) {
        SleepEx(INFINITE, TRUE);
    }
}

}  // namespace va_win32

TVaCommEventThread::TVaCommEventThread(HANDLE port, std::uint32_t eventMask, TPost post)
    : m_port(port), m_mask(eventMask), m_post(std::move(post)) {}

TVaCommEventThread::~TVaCommEventThread() {
    Stop();
}

DWORD TVaCommEventThread::Prepare() {
    m_stop.reset(makeEvent(true));
    m_wake.reset(makeEvent(false));
    m_waitDone.reset(makeEvent(true));
    m_dispatched.reset(makeEvent(false));
    if (!m_stop.valid() || !m_wake.valid() || !m_waitDone.valid() || !m_dispatched.valid()) {
        return GetLastError();
    }
    return SetCommMask(m_port, m_mask) ? 0 : GetLastError();
}

void TVaCommEventThread::Start(TThreadPriority priority) {
    m_thread.Start(&TVaCommEventThread::entry, this, priority);
}

void TVaCommEventThread::Stop() {
    if (!m_thread.Running()) {
        return;
    }
    SetEvent(m_stop.get());
    m_thread.Join();
}

void TVaCommEventThread::SetPriority(TThreadPriority priority) {
    m_thread.SetPriority(priority);
}

void TVaCommEventThread::NotifyWritten() {
    if ((m_mask & kTxEmpty) != 0) {
        m_txPending = true;
        SetEvent(m_wake.get());
    }
}

void TVaCommEventThread::Dispatched() {
    SetEvent(m_dispatched.get());
}

void TVaCommEventThread::entry(void* self) {
    auto* thread = static_cast<TVaCommEventThread*>(self);
    try {
        thread->run();
    } catch (...) {
        // Nothing may leave a thread's entry: the owner hears of the failure instead.
        thread->m_failure = ERROR_INTERNAL_ERROR;
        try {
            thread->handOver(kThreadFailed);
        } catch (...) {
        }
    }
}

void TVaCommEventThread::run() {
    OVERLAPPED wait{};
    wait.hEvent = m_waitDone.get();
    watch(wait);
    // A started wait must have ended before its OVERLAPPED goes out of scope.
    if (HasOverlappedIoCompleted(&wait) == FALSE) {
        CancelIoEx(m_port, &wait);
        DWORD ignored = 0;
        GetOverlappedResult(m_port, &wait, &ignored, TRUE);
    }
}

// The thread's loop; returns when told to stop or once the line has hung up and been reported.
void TVaCommEventThread::watch(OVERLAPPED& wait) {
    DWORD mask = 0;
    bool pending = false;
    while (true) {
        DWORD startError = 0;
        bool ended = false;
        bool atOnce = false;
        if (!pending) {
            ResetEvent(m_waitDone.get());
            mask = 0;
            if (WaitCommEvent(m_port, &mask, &wait)) {
                ended = atOnce = true;
            } else if (GetLastError() == ERROR_IO_PENDING) {
                pending = true;
            } else {
                startError = GetLastError();
                mask = 0;
                ended = atOnce = true;
            }
        }
        if (pending) {
            const HANDLE handles[] = {m_stop.get(), m_waitDone.get(), m_wake.get()};
            const DWORD woke =
                WaitForMultipleObjects(3, handles, FALSE, m_txPending ? kTxPollMs : INFINITE);
            if (woke == WAIT_OBJECT_0) {
                return;
            }
            if (woke == WAIT_OBJECT_0 + 1) {
                DWORD ignored = 0;
                if (!GetOverlappedResult(m_port, &wait, &ignored, FALSE)) {
                    mask = 0;
                }
                pending = false;
                ended = true;
            }
        }
        std::uint32_t bits = 0;
        if (!lineEvents(ended ? mask : 0, atOnce, bits)) {
            handOver(kError | kHungUp);
            // The line cannot change any more: wait only to be stopped.
            WaitForSingleObject(m_stop.get(), INFINITE);
            return;
        }
        if (startError != 0) {
            // The line is there but cannot be waited on: say so rather than fall silent.
            m_failure = startError;
            handOver(bits | kThreadFailed);
            return;
        }
        if (bits != 0 ? !handOver(bits) : ended && !rest(kRestMs)) {
            return;
        }
    }
}

// The bits worth reporting after a wait; false when the line's status cannot be read, which
// means the line has hung up (Failure() then holds the system's error).
bool TVaCommEventThread::lineEvents(DWORD mask, bool atOnce, std::uint32_t& bits) {
    COMSTAT status{};
    DWORD errors = 0;
    if (!ClearCommError(m_port, &errors, &status)) {
        m_failure = GetLastError();
        return false;
    }
    bits = mask & m_mask & ~(kRxChar | kTxEmpty);
    // Received data is news when a wait that had to wait ended on it, or when the queue has
    // changed since the last look; a wait that ends at once because unread bytes still wait
    // (Wine reports them for as long as they wait) is not.
    const bool arrived = (mask & kRxChar) != 0 && !atOnce;
    if ((m_mask & kRxChar) != 0 && status.cbInQue > 0 &&
        (arrived || status.cbInQue != m_lastInQue)) {
        bits |= kRxChar;
    }
    m_lastInQue = status.cbInQue;
    if (m_txPending && status.cbOutQue == 0) {
        m_txPending = false;
        bits |= kTxEmpty;
    }
    if (errors != 0) {
        bits |= m_mask & kError;
    }
    return true;
}

// Hands bits to the owner's thread and waits until it has dispatched them; false when told to
// stop meanwhile (or when the owner's thread cannot be reached).
bool TVaCommEventThread::handOver(std::uint32_t bits) {
    if (WaitForSingleObject(m_stop.get(), 0) == WAIT_OBJECT_0 || !m_post(bits)) {
        return false;
    }
    const HANDLE handles[] = {m_stop.get(), m_dispatched.get()};
    return WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0 + 1;
}

// Waits a little unless told to stop; false when told to stop.
bool TVaCommEventThread::rest(DWORD milliseconds) {
    return WaitForSingleObject(m_stop.get(), milliseconds) == WAIT_TIMEOUT;
}
