#include "SimpleTCP.h"

#include <QBuffer>
#include <QByteArray>
#include <QSocketNotifier>
#include <QTimer>
#include <QtGlobal>

#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <climits>
#include <string_view>

#include "SimpleTCPErrors.h"

using namespace simple_tcp;

namespace {

constexpr int32_t kDefaultReconnectInterval = 20000;

// The period the event loop actually runs: window timers never tick faster than every 10 ms,
// and a negative interval means the longest period there is, never a busy loop.
int timerPeriod(int32_t interval) noexcept {
    constexpr int kShortestPeriod = 10;
    if (interval < 0) {
        return INT_MAX;
    }
    return interval < kShortestPeriod ? kShortestPeriod : interval;
}

QString errorText(int errorCode) {
    const std::string_view text = SocketErrorText(errorCode);
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

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
    m_timer->start(timerPeriod(m_timerInterval));
    // Qt reports a refused timer as id 0 while isActive() still says true.
    if (m_timer->timerId() <= 0) {
        m_timer->stop();
        throw EOutOfResources("Not enough timers available");
    }
}

void TTimerComponent::RunFromEventLoop(const std::function<void()>& work) noexcept {
    try {
        work();
    } catch (const std::exception& error) {
        reportException(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        reportException(QStringLiteral("Unknown exception"));
    }
}

void TTimerComponent::reportException(const QString& message) noexcept {
    try {
        if (OnException) {
            OnException(this, message);
            return;
        }
    } catch (...) {
        qWarning("%s: the exception handler itself failed", qUtf8Printable(objectName()));
    }
    qWarning("%s: %s", qUtf8Printable(objectName()), qUtf8Printable(message));
}

TCustomSocket::TCustomSocket(QObject* AOwner) : TTimerComponent(AOwner) {}

TCustomSocket::~TCustomSocket() {
    CloseSilently();
}

void TCustomSocket::SetConnected(bool Value) {
    if (Value == m_activeRequested) {
        return;
    }
    m_activeRequested = Value;
    if (Value) {
        OpenConnection();
    } else {
        CloseConnection();
    }
}

void TCustomSocket::SetHost(const QString& Value) {
    if (Value != m_host) {
        changeEndpoint([this, &Value] { m_host = Value; }, "Cannot change Host while active");
    }
}

void TCustomSocket::SetPort(uint16_t Value) {
    if (Value != m_port) {
        changeEndpoint([this, Value] { m_port = Value; }, "Cannot change Port while active");
    }
}

void TCustomSocket::changeEndpoint(const std::function<void()>& store, const char* refusal) {
    if (!m_activeRequested) {
        store();
        return;
    }
    if (!m_allowChangeHostAndPortOnConnection) {
        throw std::runtime_error(refusal);
    }
    SetConnected(false);
    store();
    SetConnected(true);
}

bool TCustomSocket::AllowChangeHostAndPortOnConnection() const noexcept {
    return m_allowChangeHostAndPortOnConnection;
}

void TCustomSocket::SetAllowChangeHostAndPortOnConnection(bool Value) noexcept {
    m_allowChangeHostAndPortOnConnection = Value;
}

int TCustomSocket::SendBuffer(const void* Data, int Length) {
    if (!m_socket.valid() || Length <= 0) {
        return 0;
    }
    const int socket = m_socket.get();
    ssize_t sent = 0;
    do {
        sent = ::send(socket, Data, static_cast<size_t>(Length), MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    if (sent < 0) {
        SocketError(socket, WinSockCodeFromErrno(errno));
        return -1;
    }
    return static_cast<int>(sent);
}

int TCustomSocket::ReceiveBuffer(void* Buffer, int Size) {
    if (!m_socket.valid() || Size <= 0) {
        return 0;
    }
    const int socket = m_socket.get();
    const uint64_t generation = m_generation;
    const int received = receiveOnce(socket, Buffer, Size);
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
    ssize_t received = 0;
    do {
        received = ::recv(Socket, Buffer, static_cast<size_t>(Size), MSG_DONTWAIT);
    } while (received < 0 && errno == EINTR);
    if (received == 0) {
        DoDisconnected(Socket);
        return 0;
    }
    if (received < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            return 0;
        }
        SocketError(Socket, WinSockCodeFromErrno(errno));
        return -1;
    }
    return static_cast<int>(received);
}

void TCustomSocket::SocketError(int Socket, int ErrorCode) {
    const QString text = errorText(ErrorCode);
    if (!OnError) {
        throw std::runtime_error(text.toStdString());
    }
    OnError(this, Socket, ErrorCode, text);
}

void TCustomSocket::CloseConnection() {
    m_readPaused = false;
    if (!m_socket.valid()) {
        return;
    }
    dropNotifiers();
    const int socket = m_socket.get();
    prepareAbortiveClose(socket);
    const int error = m_socket.close();
    ++m_generation;
    if (error != 0 && error != EINTR && !Destroying()) {
        SocketError(socket, WinSockCodeFromErrno(error));
    }
}

void TCustomSocket::CloseSilently() noexcept {
    closeSocketSilently();
    m_activeRequested = false;
}

void TCustomSocket::closeSocketSilently() noexcept {
    m_readPaused = false;
    if (m_socket.valid()) {
        dropNotifiers();
        prepareAbortiveClose(m_socket.get());
        m_socket.close();
        ++m_generation;
    }
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

void TCustomSocket::SelectConnectNotifications(UniqueFd socket) {
    closeSocketSilently();
    m_socket = std::move(socket);
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
    m_writeNotifier->setEnabled(false);
    const int code = WinSockCodeFromErrno(takeSocketError(socket));
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
    constexpr int kHighestNonError = 10000;
    if (ErrorCode > kHighestNonError) {
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
    return waiting > 0;
}

// One readable notification: every byte that arrived until the socket is drained goes into
// one stream. A handler of OnDataAvailable that takes nothing pauses the notifications until
// the owner receives, instead of being offered the same bytes in a loop.
void TCustomSocket::readNotification(int Socket) {
    const uint64_t generation = m_generation;
    int waiting = 0;
    if (!waitingOrReport(Socket, waiting)) {
        return;
    }
    QByteArray received;
    bool handled = false;
    do {
        handled = false;
        const uint64_t takenBefore = m_bytesTakenByOwner;
        DoDataAvailable(Socket, waiting, handled);
        if (!isCurrent(Socket, generation)) {
            return;
        }
        if (!handled && !receiveToStream(Socket, received, waiting)) {
            return;
        }
        if (handled && m_bytesTakenByOwner == takenBefore) {
            m_readPaused = true;
            m_readNotifier->setEnabled(false);
            return;
        }
    } while (waitingOrReport(Socket, waiting));
    if (!handled && isCurrent(Socket, generation)) {
        QBuffer stream(&received);
        stream.open(QIODevice::ReadOnly);
        DoRead(Socket, stream);
    }
}

bool TCustomSocket::receiveToStream(int Socket, QByteArray& stream, int count) {
    if (count <= 0) {
        return true;
    }
    QByteArray chunk(count, Qt::Uninitialized);
    const int received = receiveOnce(Socket, chunk.data(), count);
    if (received <= 0) {
        return false;
    }
    stream.append(chunk.constData(), received);
    return true;
}

TSimpleTCPClient::TSimpleTCPClient(QObject* AOwner) : TCustomSocket(AOwner) {
    SetTimerInterval(kDefaultReconnectInterval);
}

TSimpleTCPClient::~TSimpleTCPClient() {
    BeginDestroying();
    m_established = false;
    CloseSilently();
    UpdateTimer();
}

void TSimpleTCPClient::SetConnected(bool Value) {
    if (Value == ActiveRequested()) {
        return;
    }
    m_established = false;
    TCustomSocket::SetConnected(Value);
}

void TSimpleTCPClient::TimerFired() {
    SetConnected(true);
}

void TSimpleTCPClient::SocketError(int Socket, int ErrorCode) {
    const bool wasEstablished = m_established;
    const bool wasRequested = ActiveRequested();
    SetConnected(false);
    if (wasEstablished) {
        DoConnectionLost();
    } else if (wasRequested) {
        SetTimerEnabled(true);
    }
    TCustomSocket::SocketError(Socket, ErrorCode);
}

void TSimpleTCPClient::OpenConnection() {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(Port());
    const std::optional<uint32_t> resolved = resolveIPv4(Host().toStdString());
    if (!resolved) {
        SocketError(-1, kWsaEFault);
        return;
    }
    address.sin_addr.s_addr = *resolved;
    UniqueFd created(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP));
    if (!created.valid()) {
        SocketError(-1, WinSockCodeFromErrno(errno));
        return;
    }
    const int socket = created.get();
    SelectConnectNotifications(std::move(created));
    const sockaddr* target = reinterpret_cast<const sockaddr*>(&address);
    if (::connect(socket, target, sizeof address) != 0 && errno != EINPROGRESS && errno != EINTR) {
        SocketError(socket, WinSockCodeFromErrno(errno));
    }
}

void TSimpleTCPClient::CloseConnection() {
    SetTimerEnabled(false);
    TCustomSocket::CloseConnection();
    if (OnDisconnected && !Destroying()) {
        OnDisconnected(this);
    }
}

void TSimpleTCPClient::DoConnected() {
    SetTimerEnabled(false);
    m_established = true;
    if (OnConnected) {
        OnConnected(this);
    }
}

void TSimpleTCPClient::DoDisconnected(int /*Socket*/) {
    SetConnected(false);
    if (Destroying()) {
        return;
    }
    if (OnDisconnected) {
        OnDisconnected(this);
    }
    DoConnectionLost();
}

void TSimpleTCPClient::DoDataAvailable(int /*Socket*/, int Count, bool& Handled) {
    Handled = static_cast<bool>(OnDataAvailable);
    if (Handled) {
        OnDataAvailable(this, Count);
    }
}

void TSimpleTCPClient::DoRead(int /*Socket*/, QIODevice& Stream) {
    if (OnRead) {
        OnRead(this, Stream);
    }
}

void TSimpleTCPClient::DoConnectionLost() {
    if (OnConnectionLost) {
        OnConnectionLost(this);
    }
    if (m_autoReconnect) {
        SetConnected(true);
    }
}
