// WinSock's header must come before the one of windows.h that the link's header brings.
#include <winsock2.h>

#include "SimpleTCP.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "SimpleTCPErrors.h"
#include "SimpleTCPWinSock.h"

using namespace simple_tcp;

namespace {

constexpr UINT kSocketNotifyMessage = links::LinkWindow::kFirstLinkMessage;
constexpr UINT_PTR kComponentTimer = 1;
constexpr UINT_PTR kLookupTimer = 2;
constexpr UINT kLookupPollMs = 10;
constexpr long kWatchedEvents = FD_READ | FD_CONNECT | FD_CLOSE;

constexpr uintptr_t kNoSocket = static_cast<uintptr_t>(INVALID_SOCKET);

SOCKET asSocket(uintptr_t socket) noexcept {
    return static_cast<SOCKET>(socket);
}

// WinSock handles are kernel handles, which Windows keeps within 32 bits.
int socketNumber(uintptr_t socket) noexcept {
    return socket == kNoSocket ? -1 : static_cast<int>(socket);
}

}  // namespace

TTimerComponent::TTimerComponent()
    : m_window([this](UINT message, WPARAM wParam,
                      LPARAM lParam) { return WndProc(message, wParam, lParam); },
               [alive = AliveToken(), this](const char* text) {
                   if (!alive.expired()) {
                       reportException(text);
                   }
               }) {}

TTimerComponent::~TTimerComponent() {
    KillTimer(m_window.Handle(), kComponentTimer);
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
    KillTimer(m_window.Handle(), kComponentTimer);
    if (m_destroying || !m_timerEnabled || !TimerAllowed()) {
        return;
    }
    const UINT period = static_cast<UINT>(TimerPeriod(m_timerInterval));
    if (SetTimer(m_window.Handle(), kComponentTimer, period, nullptr) == 0) {
        throw EOutOfResources("Not enough timers available");
    }
}

bool TTimerComponent::WndProc(UINT Message, WPARAM WParam, LPARAM /*LParam*/) {
    if (Message == WM_TIMER && WParam == kComponentTimer) {
        RunFromEventLoop([this] { TimerFired(); });
        return true;
    }
    // Everything else, the shutdown query included (answered with 1), gets the default handling.
    return false;
}

// A handler that destroyed the component and then raised has no component left to report
// through, so its exception ends here.
void TTimerComponent::RunFromEventLoop(const std::function<void()>& work) noexcept {
    const std::weak_ptr<const void> alive = AliveToken();
    try {
        work();
    } catch (const std::exception& error) {
        if (!alive.expired()) {
            reportException(error.what());
        }
    } catch (...) {
        if (!alive.expired()) {
            reportException("Unknown exception");
        }
    }
}

void TTimerComponent::reportException(const std::string& message) noexcept {
    try {
        if (OnException) {
            Fire(OnException, message);
            return;
        }
        const std::string line = Name() + ": " + message + "\n";
        OutputDebugStringA(line.c_str());
    } catch (...) {
        OutputDebugStringA("SimpleTCP: the exception handler itself failed\n");
    }
}

TCustomSocket::TCustomSocket() : m_socket(kNoSocket) {
    EnsureWinSock();
}

TCustomSocket::~TCustomSocket() {
    CloseSilently();
}

int TCustomSocket::SocketHandle() const noexcept {
    return socketNumber(m_socket);
}

int TCustomSocket::SendBuffer(const void* Data, int Length) {
    if (m_socket == kNoSocket || Length <= 0) {
        return 0;
    }
    const int socket = SocketHandle();
    const auto* bytes = static_cast<const char*>(Data);
    const auto length = static_cast<size_t>(Length);
    size_t sent = 0;
    if (m_unsent.empty() && !m_connectPending) {
        const int result = ::send(asSocket(m_socket), bytes, Length, 0);
        if (result == SOCKET_ERROR) {
            const int error = WSAGetLastError();
            if (error != WSAEWOULDBLOCK) {
                return failSend(socket, error);
            }
        } else {
            sent = static_cast<size_t>(result);
        }
    }
    if (sent == length) {
        return Length;
    }
    if (!m_unsent.Keep(bytes + sent, length - sent)) {
        return failSend(socket, WSAEWOULDBLOCK);
    }
    // While the connect is pending its completion selects write-readiness when bytes wait.
    if (!m_connectPending && !selectNotifications(true)) {
        return -1;
    }
    return Length;
}

int TCustomSocket::failSend(int Socket, int ErrorCode) {
    SocketError(Socket, ErrorCode);
    return -1;
}

// WinSock reports write-readiness again only after a send that would block, so this writes
// until everything kept is taken or the socket is full.
void TCustomSocket::writeUnsent(int Socket) {
    while (!m_unsent.empty()) {
        const int result =
            ::send(asSocket(m_socket), m_unsent.data(), static_cast<int>(m_unsent.size()), 0);
        if (result == SOCKET_ERROR) {
            const int error = WSAGetLastError();
            if (error != WSAEWOULDBLOCK) {
                SocketError(Socket, error);
            }
            return;
        }
        m_unsent.Drop(static_cast<size_t>(result));
    }
    (void)selectNotifications(false);
}

// Write-readiness is selected only while bytes wait: WinSock reports it after every send that
// would block, and at once when selected while the socket can take bytes.
bool TCustomSocket::selectNotifications(bool writable) {
    if (writable == m_writeSelected) {
        return true;
    }
    const long events = kWatchedEvents | (writable ? FD_WRITE : 0);
    if (WSAAsyncSelect(asSocket(m_socket), WindowHandle(), kSocketNotifyMessage, events) != 0) {
        SocketError(SocketHandle(), WSAGetLastError());
        return false;
    }
    m_writeSelected = writable;
    return true;
}

int TCustomSocket::ReceiveBuffer(void* Buffer, int Size) {
    if (m_socket == kNoSocket || Size <= 0) {
        return 0;
    }
    const int socket = SocketHandle();
    const std::weak_ptr<const void> alive = AliveToken();
    const int received = receiveOnce(socket, Buffer, Size);
    if (alive.expired()) {
        return received;
    }
    if (received > 0) {
        m_bytesTakenByOwner += static_cast<uint64_t>(received);
    }
    // The receive itself has asked WinSock for the next readable notification.
    m_readPaused = false;
    return received;
}

int TCustomSocket::receiveOnce(int Socket, void* Buffer, int Size) {
    const int result = ::recv(asSocket(m_socket), static_cast<char*>(Buffer), Size, 0);
    if (result > 0) {
        return result;
    }
    if (result == 0) {
        DoDisconnected(Socket);
        return 0;
    }
    const int error = WSAGetLastError();
    if (error == WSAEWOULDBLOCK) {
        return 0;
    }
    SocketError(Socket, error);
    return -1;
}

bool TCustomSocket::StartLookupPolling() {
    return SetTimer(WindowHandle(), kLookupTimer, kLookupPollMs, nullptr) != 0;
}

void TCustomSocket::StopLookupPolling() noexcept {
    KillTimer(WindowHandle(), kLookupTimer);
}

bool TCustomSocket::WndProc(UINT Message, WPARAM WParam, LPARAM LParam) {
    if (TTimerComponent::WndProc(Message, WParam, LParam)) {
        return true;
    }
    if (Message == WM_TIMER && WParam == kLookupTimer) {
        RunFromEventLoop([this] { PollLookup(); });
        return true;
    }
    if (Message == kSocketNotifyMessage) {
        RunFromEventLoop([this, WParam, LParam] { onSocketMessage(WParam, LParam); });
        return true;
    }
    return false;
}

void TCustomSocket::CloseConnection() {
    AbandonLookup();
    if (m_socket == kNoSocket) {
        m_readPaused = false;
        return;
    }
    const int socket = SocketHandle();
    const int error = closeSocket();
    if (error != 0 && error != WSAEINTR && !Destroying()) {
        SocketError(socket, error);
    }
}

void TCustomSocket::CloseSilently() noexcept {
    closeSocket();
    ForgetRequest();
}

// Drops everything that belongs to the socket, bytes still kept for it included; returns 0 or
// the WinSock error of a failed close. Notifications already queued for it are taken from the
// queue, since WinSock may give the next socket the same handle.
int TCustomSocket::closeSocket() noexcept {
    AbandonLookup();
    m_readPaused = false;
    m_connectPending = false;
    m_writeSelected = false;
    m_unsent.Clear();
    if (m_socket == kNoSocket) {
        return 0;
    }
    const SOCKET socket = asSocket(std::exchange(m_socket, kNoSocket));
    ++m_generation;
    WSAAsyncSelect(socket, WindowHandle(), 0, 0);
    ::shutdown(socket, SD_BOTH);
    const linger abortive{1, 0};
    ::setsockopt(socket, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abortive),
                 sizeof abortive);
    const int error = ::closesocket(socket) == 0 ? 0 : WSAGetLastError();
    MSG stale;
    while (PeekMessageA(&stale, WindowHandle(), kSocketNotifyMessage, kSocketNotifyMessage,
                        PM_REMOVE | PM_NOYIELD)) {
    }
    return error;
}

// Urgent bytes stay in the ordinary stream: read apart they would leave the socket readable
// while no ordinary byte can be taken.
void TCustomSocket::ConnectTo(uint32_t Address) {
    closeSocket();
    const SOCKET created = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (created == INVALID_SOCKET) {
        SocketError(-1, WSAGetLastError());
        return;
    }
    const BOOL inlineUrgent = TRUE;
    if (::setsockopt(created, SOL_SOCKET, SO_OOBINLINE,
                     reinterpret_cast<const char*>(&inlineUrgent), sizeof inlineUrgent) != 0) {
        const int error = WSAGetLastError();
        ::closesocket(created);
        SocketError(-1, error);
        return;
    }
    // A process the host starts later must not keep the connection open.
    SetHandleInformation(reinterpret_cast<HANDLE>(created), HANDLE_FLAG_INHERIT, 0);
    m_socket = static_cast<uintptr_t>(created);
    m_connectPending = true;
    const int socket = SocketHandle();
    if (WSAAsyncSelect(created, WindowHandle(), kSocketNotifyMessage, kWatchedEvents) != 0) {
        SocketError(socket, WSAGetLastError());
        return;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(Port());
    address.sin_addr.s_addr = Address;
    if (::connect(created, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int error = WSAGetLastError();
        if (error != WSAEWOULDBLOCK) {
            SocketError(socket, error);
        }
    }
}

bool TCustomSocket::isCurrent(int socket, uint64_t generation) const noexcept {
    return m_socket != kNoSocket && SocketHandle() == socket && m_generation == generation;
}

void TCustomSocket::onSocketMessage(WPARAM socket, LPARAM selection) {
    if (m_socket == kNoSocket || static_cast<uintptr_t>(socket) != m_socket) {
        return;
    }
    const int event = WSAGETSELECTEVENT(selection);
    const int error = WSAGETSELECTERROR(selection);
    if (event == FD_CONNECT) {
        m_connectPending = false;
        if (error == 0 && !m_unsent.empty() && !selectNotifications(true)) {
            return;
        }
    }
    SocketNotify(SocketHandle(), event, error);
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
        case kFdWrite:
            writeUnsent(Socket);
            break;
        case kFdAccept:
        case kFdConnect:
            DoConnected();
            break;
        case kFdClose:
            closeNotification(Socket);
            break;
        default:
            break;
    }
}

bool TCustomSocket::waitingOrReport(int Socket, int& waiting) {
    u_long count = 0;
    if (::ioctlsocket(asSocket(m_socket), FIONREAD, &count) != 0) {
        SocketError(Socket, WSAGetLastError());
        return false;
    }
    waiting = static_cast<int>(std::min<u_long>(count, INT32_MAX));
    return true;
}

// One readable notification, bounded so that a peer that keeps sending cannot hold the thread:
// at most kReadBytesPerNotification bytes, in one OnRead. Each receive asks WinSock for the next
// notification while bytes remain, so what is left comes with the next one.
void TCustomSocket::readNotification(int Socket) {
    if (m_readPaused) {
        return;
    }
    const uint64_t generation = m_generation;
    const std::weak_ptr<const void> alive = AliveToken();
    int waiting = 0;
    if (!waitingOrReport(Socket, waiting)) {
        return;
    }
    // The count says nothing while urgent bytes wait inline, so the receive decides.
    waiting = std::max(waiting, 1);
    bool handled = false;
    const uint64_t takenBefore = m_bytesTakenByOwner;
    DoDataAvailable(Socket, waiting, handled);
    if (alive.expired() || !isCurrent(Socket, generation)) {
        return;
    }
    if (!handled) {
        int error = 0;
        const SliceEnd end = readSlice(Socket, error);
        if (end == SliceEnd::PeerClosed) {
            DoDisconnected(Socket);
        } else if (end == SliceEnd::Error) {
            SocketError(Socket, error);
        }
    } else if (m_bytesTakenByOwner == takenBefore) {
        // A handler that takes nothing is not offered the same bytes in a loop: notifications
        // are passed over until the owner receives, which asks WinSock for the next one.
        m_readPaused = true;
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

// Receives until the socket has nothing now, the peer closed, an error, or the bound; the bytes
// go out in one OnRead, and the result says what ended the slice (Gone: the handler destroyed
// the component or closed the socket).
TCustomSocket::SliceEnd TCustomSocket::readSlice(int Socket, int& error) {
    const uint64_t generation = m_generation;
    const std::weak_ptr<const void> alive = AliveToken();
    std::string received(static_cast<size_t>(kReadBytesPerNotification), '\0');
    size_t filled = 0;
    SliceEnd end = SliceEnd::Full;
    while (filled < received.size()) {
        const int result = ::recv(asSocket(m_socket), received.data() + filled,
                                  static_cast<int>(received.size() - filled), 0);
        if (result > 0) {
            filled += static_cast<size_t>(result);
            continue;
        }
        error = result == 0 ? 0 : WSAGetLastError();
        end = result == 0               ? SliceEnd::PeerClosed
              : error == WSAEWOULDBLOCK ? SliceEnd::Nothing
                                        : SliceEnd::Error;
        break;
    }
    if (filled > 0) {
        received.resize(filled);
        TSimpleTCPStream stream(received);
        DoRead(Socket, stream);
        if (alive.expired() || !isCurrent(Socket, generation)) {
            return SliceEnd::Gone;
        }
    }
    return end;
}

// WinSock may report the close while bytes still wait: they are offered or read first, in
// slices, and the close is reported after them.
void TCustomSocket::closeNotification(int Socket) {
    const uint64_t generation = m_generation;
    const std::weak_ptr<const void> alive = AliveToken();
    int waiting = 0;
    if (!waitingOrReport(Socket, waiting)) {
        return;
    }
    bool handled = false;
    if (waiting > 0) {
        DoDataAvailable(Socket, waiting, handled);
        if (alive.expired() || !isCurrent(Socket, generation)) {
            return;
        }
    }
    int error = 0;
    SliceEnd end = SliceEnd::Nothing;
    while (!handled && (end = readSlice(Socket, error)) == SliceEnd::Full) {
    }
    if (end == SliceEnd::Gone) {
        return;
    }
    if (end == SliceEnd::Error) {
        SocketError(Socket, error);
        return;
    }
    DoDisconnected(Socket);
}
