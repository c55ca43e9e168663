#include "VaComm.h"

#include <QDebug>
#include <QPointer>

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <utility>

#include "VaCommDeviceMap.h"
#include "VaCommEventThread.h"
#include "VaCommHandOver.h"
#include "VaCommRules.h"
#include "VaCommSpeed.h"
#include "VaCommTermios.h"
#include "VaCommWriteThread.h"

namespace {

using Clock = std::chrono::steady_clock;

using namespace va_comm;
using namespace va_event_bits;

constexpr int kIoErrorWord = 0x400;
constexpr auto kClosePause = std::chrono::milliseconds(300);
constexpr auto kBufferPollInterval = std::chrono::milliseconds(5);

std::string withErrno(std::string_view pattern, int error) {
    return ErrorMessage(pattern, error, links::SystemErrorText(error));
}

[[noreturn]] void raiseOpenError(const std::string& path, int error) {
    if (error == ENOENT) {
        throw EVaCommError(FillMessage(kNotFound, {path}));
    }
    throw EVaCommError(FillMessage(kCantOpen, {path}) + withErrno(kCantOpenDetail, error));
}

// Gives a terminal up. The exclusive-use flag stays on the device after its last descriptor
// closes, so it is cleared first: a failed open or an ended use leaves the port usable by others.
void releaseTerminal(links::UniqueFd& fd) noexcept {
    if (fd.valid()) {
        ioctl(fd.get(), TIOCNXCL);
        fd.reset();
    }
}

bool hungUp(int fd) {
    pollfd watch{fd, POLLIN, 0};
    return poll(&watch, 1, 0) == 1 && (watch.revents & (POLLHUP | POLLERR)) != 0;
}

}  // namespace

struct TVaCustomComm::Machinery {
    explicit Machinery(QObject* context) : gate(context) {}

    std::recursive_mutex writeLock;
    std::recursive_mutex readLock;
    VaHandOverGate gate;
    std::unique_ptr<TVaCommEventThread> eventThread;
    std::unique_ptr<TVaCommWriteThread> writeThread;
};

TVaCustomComm::TVaCustomComm(QObject* owner)
    : TVaComponent(owner), m_machinery(std::make_unique<Machinery>(this)) {}

TVaCustomComm::~TVaCustomComm() {
    m_destroying = true;
    Close();
}

void TVaCustomComm::raiseSystem(const char* pattern, int error) const {
    throw EVaCommError(withErrno(pattern, error));
}

std::string TVaCustomComm::DevicePath() const {
    const std::string name = va_device_map::FormatDeviceName(m_deviceName, m_portNum);
    return va_device_map::ResolveDevicePath(name).value_or(name);
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
        releaseTerminal(m_handle);
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
    const std::string name = va_device_map::FormatDeviceName(m_deviceName, m_portNum);
    const std::optional<std::string> device = va_device_map::ResolveDevicePath(name);
    if (!device) {
        throw EVaCommError(FillMessage(kNotFound, {name}));
    }
    const std::string& path = *device;
    links::UniqueFd handle(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!handle.valid()) {
        raiseOpenError(path, errno);
    }
    if (!isatty(handle.get())) {
        raiseOpenError(path, ENOTTY);
    }
    if (ioctl(handle.get(), TIOCEXCL) != 0) {
        raiseOpenError(path, errno);
    }
    // The exclusive flag does not hold against privileged users; the lock does.
    if (flock(handle.get(), LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        releaseTerminal(handle);
        raiseOpenError(path, error == EWOULDBLOCK ? EBUSY : error);
    }
    m_handle = std::move(handle);
    lineErrorWord();
}

void TVaCustomComm::ApplyDCB() {
    if (!IsOpen() || !m_updateDcb) {
        return;
    }
    const int fd = m_handle.get();
    termios settings{};
    tcgetattr(fd, &settings);
    va_termios::LineSettings line;
    line.speed = BitsPerSecond(m_baudrate, m_userBaudrate);
    line.dataBits = 4 + static_cast<int>(m_databits);
    line.parity = static_cast<va_termios::Parity>(m_parity);
    line.stopBits = static_cast<va_termios::StopBits>(m_stopbits);
    line.outCtsFlow = m_flowControl.OutCtsFlow();
    line.rtsHandshake = m_flowControl.ControlRts() == rtsHandshake;
    line.xonXoffOut = m_flowControl.XonXoffOut();
    line.xonXoffIn = m_flowControl.XonXoffIn();
    line.parityCheck = m_options.Contains(coParityCheck);
    line.xonChar = m_eventChars.XonChar();
    line.xoffChar = m_eventChars.XoffChar();
    int error = va_termios::ApplyLineSettings(line, settings);
    if (error == 0 && tcsetattr(fd, TCSANOW, &settings) != 0) {
        error = errno;
    }
    if (error == 0 && !va_termios::SpeedCode(line.speed)) {
        error = va_termios::SetCustomSpeed(fd, line.speed);
    }
    if (error == 0) {
        error = va_termios::VerifySpeed(fd, line.speed);
    }
    if (error == 0) {
        error = va_termios::SetModemLine(fd, TIOCM_DTR, m_flowControl.ControlDtr() != dtrDisabled);
    }
    if (error == 0) {
        const TVaControlRts rts = m_flowControl.ControlRts();
        error = va_termios::SetModemLine(fd, TIOCM_RTS, rts == rtsEnabled || rts == rtsHandshake);
    }
    if (error != 0) {
        raiseSystem(kWriteDcb, error);
    }
}

void TVaCustomComm::SetupBuffers() {
    if (!IsOpen() || m_directWrite || m_machinery->writeThread) {
        return;
    }
    auto thread = std::make_unique<TVaCommWriteThread>(
        m_handle.get(), static_cast<std::size_t>(m_buffers.WriteSize()),
        [this](std::uint32_t bits) { handOver(bits); });
    if (const int error = thread->Prepare(); error != 0) {
        raiseSystem(kInitBuffers, error);
    }
    m_machinery->writeThread = std::move(thread);
}

void TVaCustomComm::SetupTimeouts() {
    if (const int error = va_termios::SetReturnAtOnce(m_handle.get()); error != 0) {
        raiseSystem(kSetTimeouts, error);
    }
}

void TVaCustomComm::SetupEventMask() {
    const EventMasks masks = EventMaskOf(m_monitorEvents, m_directWrite);
    m_eventMask = masks.wait;
    m_monitorBits = masks.monitored;
    if (m_eventMask == 0) {
        return;
    }
    auto thread =
        std::make_unique<TVaCommEventThread>(m_handle.get(), m_eventMask, m_buffers.ReadSize(),
                                             [this](std::uint32_t bits) { handOver(bits); });
    if (const int error = thread->Prepare(); error != 0) {
        raiseSystem(kSetEventMask, error);
    }
    m_machinery->eventThread = std::move(thread);
}

void TVaCustomComm::StartThreads() {
    m_machinery->gate.open();
    try {
        if (m_machinery->eventThread) {
            m_machinery->eventThread->Start(m_eventPriority);
        }
        if (m_machinery->writeThread) {
            m_machinery->writeThread->Start(m_writePriority);
        }
    } catch (const std::system_error& error) {
        raiseSystem(kSetEventMask, error.code().value());
    }
}

void TVaCustomComm::StopThreads() {
    m_machinery->gate.close();
    m_machinery->eventThread.reset();
    m_machinery->writeThread.reset();
}

// Runs on the event or writer thread.
void TVaCustomComm::handOver(std::uint32_t bits) {
    bits &= m_monitorBits | kThreadFailed | kHungUp;
    if (bits == 0) {
        return;
    }
    if (m_syncEvents) {
        m_machinery->gate.handOver([this, bits] { dispatchEvents(bits); });
    } else {
        dispatchEvents(bits);
    }
}

void TVaCustomComm::Close() {
    if (!IsOpen()) {
        return;
    }
    {
        std::lock_guard lock(m_machinery->readLock);
        StopThreads();
    }
    releaseTerminal(m_handle);
    m_unsent.Drop();
    if (!m_destroying) {
        fire(OnClose);
    }
    std::this_thread::sleep_for(kClosePause);
}

int TVaCustomComm::InQueCount() {
    if (!IsOpen()) {
        return 0;
    }
    std::lock_guard lock(m_machinery->readLock);
    int waiting = 0;
    if (ioctl(m_handle.get(), FIONREAD, &waiting) != 0) {
        raiseSystem(kStatistics, errno);
    }
    return waiting;
}

int TVaCustomComm::ReadBuf(void* buffer, int count) {
    if (!IsOpen() || count <= 0) {
        return 0;
    }
    std::lock_guard lock(m_machinery->readLock);
    while (true) {
        const ssize_t got = ::read(m_handle.get(), buffer, static_cast<std::size_t>(count));
        if (got > 0) {
            return static_cast<int>(got);
        }
        const int error = errno;
        if (got == 0) {
            // A terminal in raw mode reads nothing at all only once it has hung up.
            if (hungUp(m_handle.get())) {
                raiseSystem(kReadError, EIO);
            }
            return 0;
        }
        if (error == EAGAIN) {
            return 0;
        }
        if (error != EINTR) {
            raiseSystem(kReadError, error);
        }
    }
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

// One write of what the device takes now; 0 when it takes nothing at the moment.
int TVaCustomComm::writeNow(const char* data, int count) {
    while (true) {
        const ssize_t sent = ::write(m_handle.get(), data, static_cast<std::size_t>(count));
        const int error = errno;
        if (sent > 0) {
            return static_cast<int>(sent);
        }
        if (sent < 0 && error == EINTR) {
            continue;
        }
        if (sent < 0 && error != EAGAIN) {
            raiseSystem(kWriteError, error);
        }
        return 0;
    }
}

int TVaCustomComm::writeDirect(const char* data, int count) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(m_buffers.WriteTimeout());
    int done = 0;
    while (done < count) {
        const ssize_t sent =
            ::write(m_handle.get(), data + done, static_cast<std::size_t>(count - done));
        const int error = errno;
        if (sent > 0) {
            done += static_cast<int>(sent);
            continue;
        }
        if (sent < 0 && error == EINTR) {
            continue;
        }
        if (sent < 0 && error != EAGAIN) {
            raiseSystem(kWriteError, error);
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            break;
        }
        pollfd watch{m_handle.get(), POLLOUT, 0};
        poll(&watch, 1, static_cast<int>(left.count()));
    }
    return done;
}

int TVaCustomComm::writeBuffered(const char* data, int count) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(m_buffers.WriteTimeout());
    while (true) {
        {
            std::lock_guard lock(m_machinery->writeLock);
            if (m_machinery->writeThread &&
                m_machinery->writeThread->TryAppend(data, static_cast<std::size_t>(count))) {
                return count;
            }
        }
        if (Clock::now() >= deadline) {
            throw EVaCommError(kOutputFull);
        }
        std::this_thread::sleep_for(kBufferPollInterval);
    }
}

bool TVaCustomComm::WriteText(std::string_view text) {
    const int length = static_cast<int>(std::min<std::size_t>(text.size(), INT32_MAX));
    return WriteBuf(text.data(), length) == length && m_unsent.Empty();
}

// A handler may destroy the port (by deleting it): from then on nothing here touches it.
void TVaCustomComm::dispatchEvents(std::uint32_t bits) {
    const QPointer<QObject> alive(this);
    if ((bits & kThreadFailed) != 0) {
        const int error = m_machinery->eventThread ? m_machinery->eventThread->Failure() : 0;
        handleException(
            std::make_exception_ptr(EVaCommError(withErrno(kEventThreadStopped, error))));
        // The exception handler may have deleted the port; events that rode along go nowhere.
        if (!alive) {
            return;
        }
        bits &= ~kThreadFailed;
    }
    const bool hungUp = (bits & kHungUp) != 0;
    bits &= ~kHungUp;
    try {
        if ((bits & kRxChar) != 0) {
            HandleRxChar();
            bits &= ~kRxChar;
        }
        if (bits != 0 && alive) {
            HandleEvents(bits);
        }
    } catch (...) {
        if (alive) {
            handleException(std::current_exception());
        }
    }
    // A hung-up line is a failure of the port even when no error events are monitored; it is
    // reported last, and not at all once a handler has closed or deleted the port.
    if (hungUp && alive && IsOpen()) {
        handleException(std::make_exception_ptr(EVaCommError(withErrno(kHungUpText, EIO))));
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
    const QPointer<QObject> alive(this);
    if ((mask & kError) != 0) {
        const int errors = lineErrorWord();
        if (errors != 0 && OnError) {
            const TVaCommErrorEvent handler = OnError;
            try {
                handler(this, errors);
            } catch (...) {
                if (alive) {
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
        if (!alive) {
            return;
        }
        if ((mask & bit) != 0 && this->*member) {
            const TNotifyEvent handler = this->*member;
            handler(this);
        }
    }
}

// The line errors seen since the last call, as the bits of a communications error word.
int TVaCustomComm::lineErrorWord() {
    serial_icounter_struct counters{};
    if (!IsOpen()) {
        return 0;
    }
    if (ioctl(m_handle.get(), TIOCGICOUNT, &counters) != 0) {
        const int error = errno;
        return error == ENOTTY || error == EINVAL ? 0 : kIoErrorWord;
    }
    // Receive overflow, overrun, parity, framing and break, in the word's bit order.
    const int now[5] = {counters.buf_overrun, counters.overrun, counters.parity, counters.frame,
                        counters.brk};
    int word = 0;
    for (int i = 0; i < 5; ++i) {
        if (now[i] != m_lastLineErrors[i]) {
            word |= 1 << i;
        }
        m_lastLineErrors[i] = now[i];
    }
    return word;
}

void TVaCustomComm::fire(const TNotifyEvent& event) {
    if (!event) {
        return;
    }
    const QPointer<QObject> alive(this);
    const TNotifyEvent handler = event;
    try {
        handler(this);
    } catch (...) {
        if (alive) {
            handleException(std::current_exception());
        }
    }
}

void TVaCustomComm::handleException(std::exception_ptr error) {
    QString message = QString::fromUtf8("unknown failure");
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        message = QString::fromUtf8(e.what());
    } catch (...) {
    }
    if (!OnException) {
        qWarning("TVaComm: %s", qUtf8Printable(message));
        return;
    }
    try {
        OnException(this, message);
    } catch (...) {
        qWarning("TVaComm: the exception handler failed");
    }
}

void TVaCustomComm::ApplyThreadPriorities() {
    if (m_machinery->eventThread) {
        m_machinery->eventThread->SetPriority(m_eventPriority);
    }
    if (m_machinery->writeThread) {
        m_machinery->writeThread->SetPriority(m_writePriority);
    }
}
