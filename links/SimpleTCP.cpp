#include "SimpleTCP.h"

#include <QByteArray>
#include <QSocketNotifier>
#include <QTimer>
#include <QTimerEvent>
#include <QtGlobal>

#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>

#include "SimpleTCPErrors.h"
#include "SimpleTCPPlatform.h"

using namespace simple_tcp;

TTimerComponent::TTimerComponent(QObject* AOwner) : QObject(AOwner), m_timer(new QTimer(this)) {
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this,
            [this] { RunFromEventLoop([this] { TimerFired(); }); });
}

TTimerComponent::~TTimerComponent() {
    m_timer->stop();
}

void TTimerComponent::SetTimerEnabled(bool Value) {
    if (Value != m_timerEnabled) {
        m_timerEnabled = Value;
        UpdateTimer();
    }
}

void TTimerComponent::SetTimerInterval(int32_t Value) {
    if (Value != m_timerInterval) {
        m_timerInterval = Value;
        UpdateTimer();
    }
}

void TTimerComponent::UpdateTimer() {
    m_timer->stop();
    if (m_destroying || !m_timerEnabled || !TimerAllowed()) {
        return;
    }
    m_timer->start(TimerPeriod(m_timerInterval));
    // Qt reports a refused timer as id 0 while isActive() still says true.
    if (m_timer->timerId() <= 0) {
        m_timer->stop();
        throw EOutOfResources("Not enough timers available");
    }
}

// A handler that destroyed the component and then raised has no component left to report
// through, so its exception ends here.
void TTimerComponent::RunFromEventLoop(const std::function<void()>& work) noexcept {
    const std::weak_ptr<const void> alive = AliveToken();
    try {
        work();
    } catch (const std::exception& error) {
        if (!alive.expired()) {
            reportException(QString::fromLocal8Bit(error.what()));
        }
    } catch (...) {
        if (!alive.expired()) {
            reportException(QString::fromUtf8("Unknown exception"));
        }
    }
}

void TTimerComponent::reportException(const QString& message) noexcept {
    const std::weak_ptr<const void> alive = AliveToken();
    try {
        if (OnException) {
            Fire(OnException, message);
            return;
        }
    } catch (...) {
        if (!alive.expired()) {
            qWarning("%s: the exception handler itself failed", qUtf8Printable(objectName()));
        }
        return;
    }
    qWarning("%s: %s", qUtf8Printable(objectName()), qUtf8Printable(message));
}

TCustomSocket::TCustomSocket(QObject* AOwner) : SocketCore(AOwner) {}

TCustomSocket::~TCustomSocket() {
    CloseSilently();
}

int TCustomSocket::SendBuffer(const void* Data, int Length) {
    if (!m_socket.valid() || Length <= 0) {
        return 0;
    }
    const int socket = m_socket.get();
    const auto* bytes = static_cast<const char*>(Data);
    const auto length = static_cast<size_t>(Length);
    size_t sent = 0;
    if (m_unsent.empty() && !m_connectPending) {
        const Sent result = sendSome(socket, bytes, length);
        if (result.error != 0) {
            return failSend(socket, result.error);
        }
        sent = result.count;
    }
    if (sent == length) {
        return Length;
    }
    if (!m_unsent.Keep(bytes + sent, length - sent)) {
        return failSend(socket, EWOULDBLOCK);
    }
    // While the connect is pending the write notifier already watches; it writes on completion.
    if (!m_connectPending) {
        m_writeNotifier->setEnabled(true);
    }
    return Length;
}

int TCustomSocket::failSend(int socket, int errnoValue) {
    SocketError(socket, WinSockCodeFromErrno(errnoValue));
    return -1;
}

void TCustomSocket::writeUnsent(int socket) {
    const Sent result = sendSome(socket, m_unsent.data(), m_unsent.size());
    if (result.error != 0) {
        SocketError(socket, WinSockCodeFromErrno(result.error));
        return;
    }
    m_unsent.Drop(result.count);
    m_writeNotifier->setEnabled(!m_unsent.empty());
}

int TCustomSocket::ReceiveBuffer(void* Buffer, int Size) {
    if (!m_socket.valid() || Size <= 0) {
        return 0;
    }
    const int socket = m_socket.get();
    const uint64_t generation = m_generation;
    const std::weak_ptr<const void> alive = AliveToken();
    const int received = receiveOnce(socket, Buffer, Size);
    if (alive.expired()) {
        return received;
    }
    if (received > 0) {
        m_bytesTakenByOwner += static_cast<uint64_t>(received);
    }
    if (m_readPaused && isCurrent(socket, generation)) {
        m_readPaused = false;
        m_readNotifier->setEnabled(true);
    }
    return received;
}

int TCustomSocket::receiveOnce(int Socket, void* Buffer, int Size) {
    const Readable received = receiveSome(Socket, Buffer, static_cast<size_t>(Size));
    switch (received.state) {
        case ReadableState::Data:
            return static_cast<int>(received.count);
        case ReadableState::PeerClosed:
            DoDisconnected(Socket);
            return 0;
        case ReadableState::Error:
            SocketError(Socket, WinSockCodeFromErrno(received.error));
            return -1;
        case ReadableState::Nothing:
            break;
    }
    return 0;
}

bool TCustomSocket::StartLookupPolling() {
    constexpr int kLookupPollMs = 10;
    m_lookupTimer = startTimer(kLookupPollMs, Qt::PreciseTimer);
    return m_lookupTimer != 0;
}

void TCustomSocket::StopLookupPolling() noexcept {
    killTimer(m_lookupTimer);
    m_lookupTimer = 0;
}

void TCustomSocket::timerEvent(QTimerEvent* event) {
    if (m_lookupTimer != 0 && event->timerId() == m_lookupTimer) {
        RunFromEventLoop([this] { PollLookup(); });
    } else {
        TTimerComponent::timerEvent(event);
    }
}

void TCustomSocket::CloseConnection() {
    AbandonLookup();
    if (!m_socket.valid()) {
        m_readPaused = false;
        return;
    }
    const int socket = m_socket.get();
    const int error = closeSocket();
    if (error != 0 && error != EINTR && !Destroying()) {
        SocketError(socket, WinSockCodeFromErrno(error));
    }
}

void TCustomSocket::CloseSilently() noexcept {
    closeSocket();
    ForgetRequest();
}

// Drops everything that belongs to the socket, bytes still kept for it included; returns 0 or
// the errno of a failed close.
int TCustomSocket::closeSocket() noexcept {
    AbandonLookup();
    m_readPaused = false;
    m_connectPending = false;
    m_unsent.Clear();
    if (!m_socket.valid()) {
        return 0;
    }
    dropNotifiers();
    prepareAbortiveClose(m_socket.get());
    const int error = m_socket.close();
    ++m_generation;
    return error;
}

// Notifiers are switched off before the descriptor closes, since a live one would fire for the
// next socket that reuses the number, and deleted later because this may run in their handler.
void TCustomSocket::dropNotifiers() noexcept {
    for (QSocketNotifier** notifier : {&m_readNotifier, &m_writeNotifier}) {
        if (*notifier != nullptr) {
            (*notifier)->setEnabled(false);
            (*notifier)->deleteLater();
            *notifier = nullptr;
        }
    }
}

void TCustomSocket::selectConnectNotifications(links::UniqueFd socket) {
    closeSocket();
    m_socket = std::move(socket);
    m_connectPending = true;
    const int fd = m_socket.get();
    const uint64_t generation = ++m_generation;
    // Only write-readiness while connecting: a reader could consume the connect's error first.
    m_readNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    m_readNotifier->setEnabled(false);
    m_writeNotifier = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, [this, fd, generation] {
        RunFromEventLoop([this, fd, generation] { onReadable(fd, generation); });
    });
    connect(m_writeNotifier, &QSocketNotifier::activated, this, [this, fd, generation] {
        RunFromEventLoop([this, fd, generation] { onWritable(fd, generation); });
    });
}

bool TCustomSocket::isCurrent(int socket, uint64_t generation) const noexcept {
    return m_socket.valid() && m_socket.get() == socket && m_generation == generation;
}

void TCustomSocket::onWritable(int socket, uint64_t generation) {
    if (!isCurrent(socket, generation) || m_writeNotifier == nullptr) {
        return;
    }
    if (m_connectPending) {
        completeConnect(socket);
    } else {
        writeUnsent(socket);
    }
}

// Write-readiness stays watched after the connect only while bytes wait to be written.
void TCustomSocket::completeConnect(int socket) {
    m_connectPending = false;
    const int code = WinSockCodeFromErrno(takeSocketError(socket));
    m_writeNotifier->setEnabled(code == 0 && !m_unsent.empty());
    if (code == 0) {
        m_readNotifier->setEnabled(true);
    }
    SocketNotify(socket, kFdConnect, code);
}

void TCustomSocket::onReadable(int socket, uint64_t generation) {
    if (!isCurrent(socket, generation)) {
        return;
    }
    const Readable readable = probeReadable(socket);
    switch (readable.state) {
        case ReadableState::Data:
            SocketNotify(socket, kFdRead, 0);
            break;
        case ReadableState::PeerClosed:
            SocketNotify(socket, kFdClose, 0);
            break;
        case ReadableState::Error:
            SocketNotify(socket, kFdClose, WinSockCodeFromErrno(readable.error));
            break;
        case ReadableState::Nothing:
            break;
    }
}

void TCustomSocket::SocketNotify(int Socket, int Event, int ErrorCode) {
    if (ErrorCode > kHighestNonErrorCode) {
        SocketError(Socket, ErrorCode);
        return;
    }
    switch (Event) {
        case kFdRead:
            readNotification(Socket);
            break;
        case kFdAccept:
        case kFdConnect:
            DoConnected();
            break;
        case kFdClose:
            DoDisconnected(Socket);
            break;
        default:
            break;
    }
}

bool TCustomSocket::waitingOrReport(int Socket, int& waiting) {
    const WaitingBytes query = bytesWaiting(Socket);
    if (query.error != 0) {
        SocketError(Socket, WinSockCodeFromErrno(query.error));
        return false;
    }
    waiting = query.count;
    return true;
}

// One readable notification, bounded so that a peer that keeps sending cannot hold the thread:
// at most kReadBytesPerNotification bytes, in one OnRead; what is left raises the next one.
void TCustomSocket::readNotification(int Socket) {
    const uint64_t generation = m_generation;
    const std::weak_ptr<const void> alive = AliveToken();
    int waiting = 0;
    if (!waitingOrReport(Socket, waiting)) {
        return;
    }
    bool handled = false;
    // The probe that raised this call has seen at least one byte.
    waiting = std::max(waiting, 1);
    const uint64_t takenBefore = m_bytesTakenByOwner;
    DoDataAvailable(Socket, waiting, handled);
    if (alive.expired() || !isCurrent(Socket, generation)) {
        return;
    }
    if (!handled) {
        readSlice(Socket);
    } else if (m_bytesTakenByOwner == takenBefore) {
        // A handler that takes nothing is not offered the same bytes in a loop: the
        // notifications pause until the owner receives.
        m_readPaused = true;
        m_readNotifier->setEnabled(false);
    } else {
        offerWaitingBytes(Socket, static_cast<int>(m_bytesTakenByOwner - takenBefore));
    }
}

// Offers what is still waiting while the owner's handler goes on taking bytes.
void TCustomSocket::offerWaitingBytes(int Socket, int taken) {
    const uint64_t generation = m_generation;
    const std::weak_ptr<const void> alive = AliveToken();
    int waiting = 0;
    while (taken < kReadBytesPerNotification && waitingOrReport(Socket, waiting) && waiting > 0) {
        bool handled = false;
        const uint64_t takenBefore = m_bytesTakenByOwner;
        DoDataAvailable(Socket, waiting, handled);
        if (alive.expired() || !isCurrent(Socket, generation) || !handled ||
            m_bytesTakenByOwner == takenBefore) {
            return;
        }
        taken += static_cast<int>(m_bytesTakenByOwner - takenBefore);
    }
}

// Receives until the socket has nothing now, the peer closed, an error, or the bound; the
// bytes go out in one OnRead before the close or the error is reported.
void TCustomSocket::readSlice(int Socket) {
    const uint64_t generation = m_generation;
    const std::weak_ptr<const void> alive = AliveToken();
    QByteArray received(kReadBytesPerNotification, Qt::Uninitialized);
    qsizetype filled = 0;
    Readable last;
    do {
        last = receiveSome(Socket, received.data() + filled,
                           static_cast<size_t>(received.size() - filled));
        filled += static_cast<qsizetype>(last.count);
    } while (last.state == ReadableState::Data && filled < received.size());
    received.truncate(filled);
    if (filled > 0) {
        TSimpleTCPStream stream(
            std::string_view(received.constData(), static_cast<size_t>(filled)));
        DoRead(Socket, stream);
        if (alive.expired() || !isCurrent(Socket, generation)) {
            return;
        }
    }
    if (last.state == ReadableState::PeerClosed) {
        DoDisconnected(Socket);
    } else if (last.state == ReadableState::Error) {
        SocketError(Socket, WinSockCodeFromErrno(last.error));
    }
}

void TCustomSocket::ConnectTo(uint32_t ipv4) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(Port());
    address.sin_addr.s_addr = ipv4;
    links::UniqueFd created(
        ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP));
    const int createError = created.valid() ? receiveUrgentInline(created.get()) : errno;
    if (createError != 0) {
        created.close();
        SocketError(-1, WinSockCodeFromErrno(createError));
        return;
    }
    const int socket = created.get();
    selectConnectNotifications(std::move(created));
    const sockaddr* target = reinterpret_cast<const sockaddr*>(&address);
    if (::connect(socket, target, sizeof address) != 0 && errno != EINPROGRESS && errno != EINTR) {
        SocketError(socket, WinSockCodeFromErrno(errno));
    }
}
