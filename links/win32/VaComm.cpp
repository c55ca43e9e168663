#include "VaComm.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstring>
#include <system_error>
#include <utility>

#include "LinkWindow.h"
#include "VaCommEventThread.h"
#include "VaCommPortName.h"
#include "VaCommRules.h"
#include "VaCommWriteThread.h"

namespace {

using namespace va_comm;
using namespace va_event_bits;

// The message by which the event thread hands line events over: wParam the generation of the
// open port that sent it, lParam the event bits.
constexpr UINT kLineEventsMessage = links::LinkWindow::kFirstLinkMessage;
constexpr DWORD kClosePauseMs = 300;
constexpr DWORD kBufferPollMs = 5;
// The communications error word's I/O error bit: the line's status could not be read.
constexpr int kIoErrorWord = CE_IOE;

std::string withError(std::string_view pattern, DWORD error) {
    return ErrorMessage(pattern, static_cast<long>(error), links::SystemErrorText(error));
}

[[noreturn]] void raiseOpenError(const std::string& path, DWORD error) {
    if (error == ERROR_FILE_NOT_FOUND) {
        throw EVaCommError(FillMessage(kNotFound, {path}));
    }
    throw EVaCommError(FillMessage(kCantOpen, {path}) + withError(kCantOpenDetail, error));
}

// The flag word of the line settings record, rebuilt from nothing: binary mode always.
DWORD dcbFlags(TVaFlowControl& flow, TVaCommOptions options) {
    DWORD flags = 0x1;
    flags |= flow.OutCtsFlow() ? 0x4 : 0;
    flags |= flow.OutDsrFlow() ? 0x8 : 0;
    flags |= static_cast<DWORD>(flow.ControlDtr()) << 4;
    flags |= flow.DsrSensitivity() ? 0x40 : 0;
    flags |= flow.TxContinueOnXoff() ? 0x80 : 0;
    flags |= flow.XonXoffOut() ? 0x100 : 0;
    flags |= flow.XonXoffIn() ? 0x200 : 0;
    flags |= options.Contains(coErrorChar) ? 0x400 : 0;
    flags |= options.Contains(coNullStrip) ? 0x800 : 0;
    flags |= options.Contains(coParityCheck) ? 0x2 : 0;
    flags |= static_cast<DWORD>(flow.ControlRts()) << 12;
    return flags;
}

// The DCB keeps its flags as bit fields in the one DWORD after BaudRate.
void storeDcbFlags(DCB& dcb, DWORD flags) {
    static_assert(sizeof(DCB) == 28);
    std::memcpy(reinterpret_cast<char*>(&dcb) + 2 * sizeof(DWORD), &flags, sizeof flags);
}

}  // namespace

struct TVaCustomComm::Machinery {
    Machinery(links::LinkWindow::Handler handler, links::LinkWindow::Failure failure)
        : window(std::move(handler), std::move(failure)),
          ioEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
        if (!ioEvent.valid()) {
            throw EVaCommError(
                withError("Error creating the port's I/O event (%d), %s", GetLastError()));
        }
    }

    std::recursive_mutex writeLock;
    std::recursive_mutex readLock;
    links::LinkWindow window;
    va_win32::UniqueHandle ioEvent;
    std::unique_ptr<TVaCommEventThread> eventThread;
    std::unique_ptr<TVaCommWriteThread> writer;
    std::uintptr_t generation = 0;
};

TVaCustomComm::TVaCustomComm(TComponent*) {
    const std::weak_ptr<const void> alive = AliveToken();
    m_machinery = std::make_unique<Machinery>(
        [this](UINT message, WPARAM wParam, LPARAM lParam) {
            return onMessage(message, wParam, lParam);
        },
        [this, alive](const char* text) {
            if (!alive.expired()) {
                handleException(std::make_exception_ptr(EVaCommError(text)));
            }
        });
}

TVaCustomComm::~TVaCustomComm() {
    m_destroying = true;
    try {
        Close();
    } catch (...) {
    }
}

void* TVaCustomComm::EventThreadHandle() const noexcept {
    return m_machinery->eventThread ? m_machinery->eventThread->ThreadHandle() : nullptr;
}

void TVaCustomComm::raiseSystem(const char* pattern, unsigned long error) const {
    throw EVaCommError(withError(pattern, error));
}

std::string TVaCustomComm::DevicePath() const {
    return va_device_map::WithDeviceNamespace(
        va_device_map::FormatDeviceName(m_deviceName, m_portNum));
}

void TVaCustomComm::Loaded() {
    if (m_autoOpen) {
        Open();
    }
}

void TVaCustomComm::Open() {
    CheckClosed();
    CreateHandle();
    try {
        configureOpenPort();
    } catch (...) {
        StopThreads();
        releaseHandle();
        throw;
    }
    fire(OnOpen);
}

void TVaCustomComm::configureOpenPort() {
    ApplyDCB();
    SetupBuffers();
    SetupTimeouts();
    SetupEventMask();
    StartThreads();
}

void TVaCustomComm::CreateHandle() {
    if (va_device_map::PortPlaceholders(m_deviceName) > 1) {
        throw EVaCommError(FillMessage(kTwoPlaceholders, {m_deviceName}));
    }
    const std::string path = DevicePath();
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        raiseOpenError(path, GetLastError());
    }
    m_handle = handle;
    ++m_machinery->generation;
    lineErrorWord();
}

void TVaCustomComm::releaseHandle() noexcept {
    if (m_handle != nullptr) {
        // Ends any transfer still under way, so that nothing completes into a closed handle.
        PurgeComm(m_handle, PURGE_TXABORT | PURGE_RXABORT);
        CloseHandle(m_handle);
        m_handle = nullptr;
    }
}

void TVaCustomComm::ApplyDCB() {
    if (!IsOpen() || !m_updateDcb) {
        return;
    }
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    GetCommState(m_handle, &dcb);
    dcb.BaudRate = static_cast<DWORD>(BitsPerSecond(m_baudrate, m_userBaudrate));
    dcb.ByteSize = static_cast<BYTE>(4 + static_cast<int>(m_databits));
    dcb.Parity = static_cast<BYTE>(m_parity);
    dcb.StopBits = static_cast<BYTE>(m_stopbits);
    dcb.XonChar = m_eventChars.XonChar();
    dcb.XoffChar = m_eventChars.XoffChar();
    dcb.ErrorChar = m_eventChars.ErrorChar();
    dcb.EofChar = m_eventChars.EofChar();
    dcb.EvtChar = m_eventChars.EventChar();
    dcb.XonLim = static_cast<WORD>(m_buffers.XonLimit());
    dcb.XoffLim = static_cast<WORD>(m_buffers.XoffLimit());
    storeDcbFlags(dcb, dcbFlags(m_flowControl, m_options));
    if (!SetCommState(m_handle, &dcb)) {
        raiseSystem(kWriteDcb, GetLastError());
    }
}

void TVaCustomComm::SetupBuffers() {
    if (!IsOpen()) {
        return;
    }
    if (!SetupComm(m_handle, static_cast<DWORD>(m_buffers.ReadSize()),
                   static_cast<DWORD>(m_buffers.WriteSize()))) {
        raiseSystem(kInitBuffers, GetLastError());
    }
}

void TVaCustomComm::SetupTimeouts() {
    // Reads return at once with what is waiting; writes wait for their own bound.
    COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 0, 0};
    if (!SetCommTimeouts(m_handle, &timeouts)) {
        raiseSystem(kSetTimeouts, GetLastError());
    }
}

void TVaCustomComm::SetupEventMask() {
    const EventMasks masks = EventMaskOf(m_monitorEvents, m_directWrite);
    m_eventMask = masks.wait;
    m_monitorBits = masks.monitored;
    if (m_eventMask == 0) {
        return;
    }
    const HWND window = m_machinery->window.Handle();
    const WPARAM generation = m_machinery->generation;
    auto thread = std::make_unique<TVaCommEventThread>(
        m_handle, m_eventMask, [window, generation](std::uint32_t bits) {
            return PostMessageA(window, kLineEventsMessage, generation,
                                static_cast<LPARAM>(bits)) != FALSE;
        });
    if (const DWORD error = thread->Prepare(); error != 0) {
        raiseSystem(kSetEventMask, error);
    }
    m_machinery->eventThread = std::move(thread);
}

void TVaCustomComm::StartThreads() {
    try {
        if (m_machinery->eventThread) {
            m_machinery->eventThread->Start(m_eventPriority);
        }
        if (!m_directWrite) {
            const HWND window = m_machinery->window.Handle();
            const WPARAM generation = m_machinery->generation;
            auto writer = std::make_unique<TVaCommWriteThread>(
                m_handle, static_cast<std::size_t>(m_buffers.WriteSize()),
                [window, generation](std::uint32_t bits) {
                    return PostMessageA(window, kLineEventsMessage, generation,
                                        static_cast<LPARAM>(bits)) != FALSE;
                });
            if (const DWORD error = writer->Prepare(); error != 0) {
                raiseSystem(kInitBuffers, error);
            }
            writer->Start(m_writePriority);
            m_machinery->writer = std::move(writer);
        }
    } catch (const std::system_error& error) {
        raiseSystem(kSetEventMask, static_cast<unsigned long>(error.code().value()));
    }
}

void TVaCustomComm::StopThreads() {
    m_machinery->eventThread.reset();
    m_machinery->writer.reset();
}

// Line events handed over by the event or writer thread of the port opened as generation
// wParam; those of an earlier opening, or of a port closed meanwhile, are dropped.
bool TVaCustomComm::onMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (message != kLineEventsMessage) {
        return false;
    }
    if (!IsOpen() || wParam != m_machinery->generation) {
        return true;
    }
    const std::weak_ptr<const void> alive = AliveToken();
    const auto bits = static_cast<std::uint32_t>(lParam);
    try {
        dispatchEvents(bits & (m_monitorBits | kThreadFailed | kHungUp));
    } catch (...) {
        if (!alive.expired()) {
            handleException(std::current_exception());
        }
    }
    if (!alive.expired() && IsOpen() && wParam == m_machinery->generation &&
        m_machinery->eventThread) {
        m_machinery->eventThread->Dispatched();
    }
    return true;
}

void TVaCustomComm::Close() {
    if (!IsOpen()) {
        return;
    }
    {
        std::lock_guard lock(m_machinery->readLock);
        StopThreads();
    }
    releaseHandle();
    m_unsent.Drop();
    if (!m_destroying) {
        fire(OnClose);
    }
    Sleep(kClosePauseMs);
}

int TVaCustomComm::InQueCount() {
    if (!IsOpen()) {
        return 0;
    }
    std::lock_guard lock(m_machinery->readLock);
    COMSTAT status{};
    DWORD errors = 0;
    if (!ClearCommError(m_handle, &errors, &status)) {
        raiseSystem(kStatistics, GetLastError());
    }
    return static_cast<int>(std::min<DWORD>(status.cbInQue, INT_MAX));
}

// One overlapped transfer, waited for at most timeoutMs. A transfer still under way then is
// cancelled, and what it moved before the cancel is the result, so that no byte is counted
// that did not move and none that moved is forgotten.
int TVaCustomComm::transfer(bool write, void* data, int count, unsigned long timeoutMs) {
    const HANDLE io = m_machinery->ioEvent.get();
    ResetEvent(io);
    OVERLAPPED overlapped{};
    overlapped.hEvent = io;
    const auto length = static_cast<DWORD>(count);
    DWORD done = 0;
    const BOOL started = write ? WriteFile(m_handle, data, length, &done, &overlapped)
                               : ReadFile(m_handle, data, length, &done, &overlapped);
    if (!started && GetLastError() != ERROR_IO_PENDING) {
        raiseSystem(write ? kWriteError : kReadError, GetLastError());
    }
    if (!started && WaitForSingleObject(io, timeoutMs) != WAIT_OBJECT_0) {
        CancelIoEx(m_handle, &overlapped);
    }
    if (!GetOverlappedResult(m_handle, &overlapped, &done, TRUE)) {
        const DWORD error = GetLastError();
        if (error != ERROR_OPERATION_ABORTED) {
            raiseSystem(write ? kWriteError : kReadError, error);
        }
    }
    return static_cast<int>(std::min<DWORD>(done, length));
}

int TVaCustomComm::ReadBuf(void* buffer, int count) {
    if (!IsOpen() || count <= 0) {
        return 0;
    }
    std::lock_guard lock(m_machinery->readLock);
    // Only what is already queued is read, so the read completes at once: Wine lets an
    // overlapped read of an empty queue wait out ReadTimeout despite the return-at-once timeouts.
    COMSTAT status{};
    DWORD errors = 0;
    if (!ClearCommError(m_handle, &errors, &status)) {
        raiseSystem(kReadError, GetLastError());
    }
    const int waiting = static_cast<int>(std::min<DWORD>(status.cbInQue, INT_MAX));
    if (waiting == 0) {
        return 0;
    }
    return transfer(false, buffer, std::min(count, waiting),
                    static_cast<DWORD>(m_buffers.ReadTimeout()));
}

bool TVaCustomComm::ReadChar(char& ch) {
    return ReadBuf(&ch, 1) == 1;
}

int TVaCustomComm::WriteBuf(const void* data, int count) {
    if (!IsOpen() || count <= 0) {
        return 0;
    }
    if (!m_directWrite) {
        return writeBuffered(static_cast<const char*>(data), count);
    }
    std::lock_guard lock(m_machinery->writeLock);
    const VaKeptOutput::TOutcome outcome = m_unsent.Write(
        static_cast<const char*>(data), count,
        [this](const char* bytes, int length) { return writeNow(bytes, length); },
        [this](const char* bytes, int length) { return writeDirect(bytes, length); });
    if (outcome.result == 0) {
        return 0;
    }
    if (outcome.written > 0 && m_machinery->eventThread) {
        m_machinery->eventThread->NotifyWritten();
    }
    return outcome.result;
}

bool TVaCustomComm::FlushPending() {
    if (!IsOpen() || !m_directWrite) {
        return m_unsent.Empty();
    }
    std::lock_guard lock(m_machinery->writeLock);
    const int written =
        m_unsent.Flush([this](const char* bytes, int length) { return writeNow(bytes, length); });
    if (written > 0 && m_machinery->eventThread) {
        m_machinery->eventThread->NotifyWritten();
    }
    return m_unsent.Empty();
}

// What the device takes now; 0 when it takes nothing at the moment.
int TVaCustomComm::writeNow(const char* data, int count) {
    return transfer(true, const_cast<char*>(data), count, 0);
}

int TVaCustomComm::writeDirect(const char* data, int count) {
    return transfer(true, const_cast<char*>(data), count,
                    static_cast<DWORD>(m_buffers.WriteTimeout()));
}

int TVaCustomComm::writeBuffered(const char* data, int count) {
    const DWORD start = GetTickCount();
    while (true) {
        {
            std::lock_guard lock(m_machinery->writeLock);
            if (m_machinery->writer &&
                m_machinery->writer->TryAppend(data, static_cast<std::size_t>(count))) {
                return count;
            }
        }
        if (GetTickCount() - start >= static_cast<DWORD>(m_buffers.WriteTimeout())) {
            throw EVaCommError(kOutputFull);
        }
        Sleep(kBufferPollMs);
    }
}

bool TVaCustomComm::WriteText(std::string_view text) {
    const int length = static_cast<int>(std::min<std::size_t>(text.size(), INT_MAX));
    return WriteBuf(text.data(), length) == length && m_unsent.Empty();
}

// A handler may destroy the port: from then on nothing here touches it.
void TVaCustomComm::dispatchEvents(std::uint32_t bits) {
    const std::weak_ptr<const void> alive = AliveToken();
    if ((bits & kThreadFailed) != 0) {
        const DWORD error = m_machinery->eventThread ? m_machinery->eventThread->Failure() : 0;
        handleException(
            std::make_exception_ptr(EVaCommError(withError(kEventThreadStopped, error))));
        bits &= ~kThreadFailed;
    }
    const bool hungUp = (bits & kHungUp) != 0;
    bits &= ~kHungUp;
    try {
        if ((bits & kRxChar) != 0 && !alive.expired()) {
            HandleRxChar();
            bits &= ~kRxChar;
        }
        if (bits != 0 && !alive.expired()) {
            HandleEvents(bits);
        }
    } catch (...) {
        if (!alive.expired()) {
            handleException(std::current_exception());
        }
    }
    // A hung-up line is a failure of the port even when no error events are monitored; it is
    // reported last, and not at all once a handler has closed or deleted the port.
    if (hungUp && !alive.expired() && IsOpen()) {
        const DWORD error = m_machinery->eventThread ? m_machinery->eventThread->Failure() : 0;
        handleException(std::make_exception_ptr(EVaCommError(withError(kHungUpText, error))));
    }
}

void TVaCustomComm::HandleRxChar() {
    const int waiting = InQueCount();
    if (waiting > 0 && OnRxChar) {
        const TVaCommRxCharEvent handler = OnRxChar;
        handler(this, waiting);
    }
}

void TVaCustomComm::HandleEvents(std::uint32_t mask) {
    const std::weak_ptr<const void> alive = AliveToken();
    if ((mask & kError) != 0) {
        const int errors = lineErrorWord();
        if (errors != 0 && OnError) {
            const TVaCommErrorEvent handler = OnError;
            try {
                handler(this, errors);
            } catch (...) {
                if (!alive.expired()) {
                    handleException(std::current_exception());
                }
            }
        }
    }
    const std::pair<std::uint32_t, TNotifyEvent TVaCustomComm::*> handlers[] = {
        {kRxFlag, &TVaCustomComm::OnRxFlag},     {kCts, &TVaCustomComm::OnCts},
        {kDsr, &TVaCustomComm::OnDsr},           {kRing, &TVaCustomComm::OnRing},
        {kRlsd, &TVaCustomComm::OnRlsd},         {kTxEmpty, &TVaCustomComm::OnTxEmpty},
        {kBreak, &TVaCustomComm::OnBreak},       {kPErr, &TVaCustomComm::OnPErr},
        {kRx80Full, &TVaCustomComm::OnRx80Full}, {kEvent1, &TVaCustomComm::OnEvent1},
        {kEvent2, &TVaCustomComm::OnEvent2},
    };
    for (const auto& [bit, member] : handlers) {
        if (alive.expired()) {
            return;
        }
        if ((mask & bit) != 0 && this->*member) {
            const TNotifyEvent handler = this->*member;
            handler(this);
        }
    }
}

// The line errors seen since the last call, as the system's communications error word; the
// I/O error bit alone when the line's status cannot be read.
int TVaCustomComm::lineErrorWord() {
    if (!IsOpen()) {
        return 0;
    }
    COMSTAT status{};
    DWORD errors = 0;
    if (!ClearCommError(m_handle, &errors, &status)) {
        return kIoErrorWord;
    }
    return static_cast<int>(errors);
}

void TVaCustomComm::fire(const TNotifyEvent& event) {
    if (!event) {
        return;
    }
    const std::weak_ptr<const void> alive = AliveToken();
    const TNotifyEvent handler = event;
    try {
        handler(this);
    } catch (...) {
        if (!alive.expired()) {
            handleException(std::current_exception());
        }
    }
}

void TVaCustomComm::handleException(std::exception_ptr error) {
    std::string message = "unknown failure";
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        message = e.what();
    } catch (...) {
    }
    if (!OnException) {
        OutputDebugStringA(("TVaComm: " + message).c_str());
        return;
    }
    try {
        const TLinkExceptionEvent handler = OnException;
        handler(this, message);
    } catch (...) {
        OutputDebugStringA("TVaComm: the exception handler failed");
    }
}

void TVaCustomComm::ApplyThreadPriorities() {
    if (m_machinery->eventThread) {
        m_machinery->eventThread->SetPriority(m_eventPriority);
    }
    if (m_machinery->writer) {
        m_machinery->writer->SetPriority(m_writePriority);
    }
}
