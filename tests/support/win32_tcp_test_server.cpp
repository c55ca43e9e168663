#include <winsock2.h>

#include "support/win32_tcp_test_server.h"

#include <gtest/gtest.h>

#include <thread>
#include <utility>

namespace {

constexpr uintptr_t kNone = ~uintptr_t{0};

SOCKET asSocket(uintptr_t socket) {
    return static_cast<SOCKET>(socket);
}

bool waitReadable(uintptr_t socket, std::chrono::milliseconds limit) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(asSocket(socket), &readable);
    timeval wait{static_cast<long>(limit.count() / 1000),
                 static_cast<long>(limit.count() % 1000 * 1000)};
    return ::select(0, &readable, nullptr, nullptr, &wait) > 0;
}

void setBlocking(uintptr_t socket) {
    u_long nonBlocking = 0;
    ::ioctlsocket(asSocket(socket), FIONBIO, &nonBlocking);
}

}  // namespace

TcpTestPeer::TcpTestPeer(TcpTestPeer&& other) noexcept
    : m_socket(std::exchange(other.m_socket, kNone)) {}

TcpTestPeer& TcpTestPeer::operator=(TcpTestPeer&& other) noexcept {
    if (this != &other) {
        close();
        m_socket = std::exchange(other.m_socket, kNone);
    }
    return *this;
}

TcpTestPeer::~TcpTestPeer() {
    close();
}

bool TcpTestPeer::valid() const noexcept {
    return m_socket != kNone;
}

void TcpTestPeer::close() noexcept {
    if (valid()) {
        ::closesocket(asSocket(std::exchange(m_socket, kNone)));
    }
}

void TcpTestPeer::send(std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const int sent = ::send(asSocket(m_socket), bytes.data() + done,
                                static_cast<int>(bytes.size() - done), 0);
        ASSERT_GT(sent, 0) << "test peer send failed: " << WSAGetLastError();
        done += static_cast<size_t>(sent);
    }
}

std::string TcpTestPeer::receive(size_t wanted, std::chrono::milliseconds limit) {
    std::string received;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    char chunk[4096];
    while (received.size() < wanted) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !waitReadable(m_socket, left)) {
            break;
        }
        const int got = ::recv(asSocket(m_socket), chunk, sizeof chunk, 0);
        if (got <= 0) {
            break;
        }
        received.append(chunk, static_cast<size_t>(got));
    }
    return received;
}

void TcpTestPeer::closeOrderly() {
    ::shutdown(asSocket(m_socket), SD_SEND);
    char chunk[4096];
    while (waitReadable(m_socket, std::chrono::milliseconds(0)) &&
           ::recv(asSocket(m_socket), chunk, sizeof chunk, 0) > 0) {
    }
    close();
}

void TcpTestPeer::reset() {
    const linger abortive{1, 0};
    ::setsockopt(asSocket(m_socket), SOL_SOCKET, SO_LINGER,
                 reinterpret_cast<const char*>(&abortive), sizeof abortive);
    close();
}

TcpTestServer::TcpTestServer(Mode mode, int receiveBufferBytes) {
    const SOCKET created = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (created == INVALID_SOCKET) {
        ADD_FAILURE() << "test server socket: " << WSAGetLastError();
        return;
    }
    m_socket = static_cast<uintptr_t>(created);
    if (receiveBufferBytes > 0) {
        ::setsockopt(created, SOL_SOCKET, SO_RCVBUF,
                     reinterpret_cast<const char*>(&receiveBufferBytes), sizeof receiveBufferBytes);
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    auto* generic = reinterpret_cast<sockaddr*>(&address);
    if (::bind(created, generic, length) != 0 || ::getsockname(created, generic, &length) != 0) {
        ADD_FAILURE() << "test server bind: " << WSAGetLastError();
        return;
    }
    m_port = ntohs(address.sin_port);
    if (mode == Mode::Listening) {
        listen();
    }
}

TcpTestServer::~TcpTestServer() {
    if (m_socket != kNone) {
        ::closesocket(asSocket(m_socket));
    }
}

void TcpTestServer::listen() {
    if (::listen(asSocket(m_socket), 16) != 0) {
        ADD_FAILURE() << "test server listen: " << WSAGetLastError();
    }
}

TcpTestPeer TcpTestServer::accept(std::chrono::milliseconds limit) {
    if (!waitReadable(m_socket, limit)) {
        return TcpTestPeer{};
    }
    const SOCKET accepted = ::accept(asSocket(m_socket), nullptr, nullptr);
    if (accepted == INVALID_SOCKET) {
        return TcpTestPeer{};
    }
    setBlocking(static_cast<uintptr_t>(accepted));
    return TcpTestPeer{static_cast<uintptr_t>(accepted)};
}

bool TcpTestServer::hasPendingConnection() const {
    return waitReadable(m_socket, std::chrono::milliseconds(0));
}

// A receive fails after a reset, unless the end of stream came first: from then on receives
// give 0 whatever follows, and a send tells instead. One send only, since a closed client
// answers the first byte with a reset of its own.
bool peerWasReset(const TcpTestPeer& peer, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    char chunk[4096];
    while (std::chrono::steady_clock::now() < deadline) {
        if (!waitReadable(peer.fd(), std::chrono::milliseconds(10))) {
            continue;
        }
        const int got = ::recv(asSocket(peer.fd()), chunk, sizeof chunk, 0);
        if (got < 0) {
            return true;
        }
        if (got == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            return ::send(asSocket(peer.fd()), "x", 1, 0) == SOCKET_ERROR;
        }
    }
    return false;
}
