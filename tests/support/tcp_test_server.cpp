#include "support/tcp_test_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace {

bool waitReadable(int fd, std::chrono::milliseconds limit) {
    pollfd watched{fd, POLLIN, 0};
    int result = 0;
    do {
        result = ::poll(&watched, 1, static_cast<int>(limit.count()));
    } while (result < 0 && errno == EINTR);
    return result > 0;
}

}  // namespace

void TcpTestPeer::send(std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t sent =
            ::send(m_fd.get(), bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        ASSERT_GT(sent, 0) << "test peer send failed: " << std::strerror(errno);
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
        if (left.count() <= 0 || !waitReadable(m_fd.get(), left)) {
            break;
        }
        const ssize_t got = ::recv(m_fd.get(), chunk, sizeof chunk, MSG_DONTWAIT);
        if (got <= 0) {
            break;
        }
        received.append(chunk, static_cast<size_t>(got));
    }
    return received;
}

void TcpTestPeer::closeOrderly() {
    ::shutdown(m_fd.get(), SHUT_WR);
    char chunk[4096];
    while (::recv(m_fd.get(), chunk, sizeof chunk, MSG_DONTWAIT) > 0) {
    }
    m_fd.close();
}

void TcpTestPeer::reset() {
    const linger abortive{1, 0};
    ::setsockopt(m_fd.get(), SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
    m_fd.close();
}

TcpTestServer::TcpTestServer(Mode mode, int receiveBufferBytes)
    : m_fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    if (!m_fd.valid()) {
        ADD_FAILURE() << "test server socket: " << std::strerror(errno);
        return;
    }
    if (receiveBufferBytes > 0) {
        ::setsockopt(m_fd.get(), SOL_SOCKET, SO_RCVBUF, &receiveBufferBytes,
                     sizeof receiveBufferBytes);
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    auto* generic = reinterpret_cast<sockaddr*>(&address);
    if (::bind(m_fd.get(), generic, length) != 0 || ::getsockname(m_fd.get(), generic, &length)) {
        ADD_FAILURE() << "test server bind: " << std::strerror(errno);
        return;
    }
    m_port = ntohs(address.sin_port);
    if (mode == Mode::Listening) {
        listen();
    }
}

void TcpTestServer::listen() {
    if (::listen(m_fd.get(), 16) != 0) {
        ADD_FAILURE() << "test server listen: " << std::strerror(errno);
    }
}

TcpTestPeer TcpTestServer::accept(std::chrono::milliseconds limit) {
    if (!waitReadable(m_fd.get(), limit)) {
        return TcpTestPeer{};
    }
    return TcpTestPeer{links::UniqueFd(::accept4(m_fd.get(), nullptr, nullptr, SOCK_CLOEXEC))};
}

bool TcpTestServer::hasPendingConnection() const {
    return waitReadable(m_fd.get(), std::chrono::milliseconds(0));
}

bool peerWasReset(const TcpTestPeer& peer, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (true) {
        tcp_info info{};
        socklen_t length = sizeof info;
        if (::getsockopt(peer.fd(), IPPROTO_TCP, TCP_INFO, &info, &length) != 0) {
            return false;
        }
        // A reset moves the peer straight to CLOSE; a plain FIN would leave it in CLOSE_WAIT.
        if (info.tcpi_state == TCP_CLOSE) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        ::usleep(1000);
    }
}
