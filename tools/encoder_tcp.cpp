#include "encoder_tcp.h"

#include <QSocketNotifier>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <stdexcept>

namespace encoder_tool {
namespace {

// How long an orderly close waits for the client to close its side.
constexpr int kCloseWaitMs = 2000;

[[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error(what + ": " + links::SystemErrorText(errno));
}

links::UniqueFd bound(const std::string& address, std::uint16_t port, sockaddr_storage& where) {
    where = {};
    auto* v4 = reinterpret_cast<sockaddr_in*>(&where);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&where);
    if (inet_pton(AF_INET, address.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(port);
    } else if (inet_pton(AF_INET6, address.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(port);
    } else {
        throw std::runtime_error("not a numeric IP address: " + address);
    }
    links::UniqueFd fd(::socket(where.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd.valid()) {
        fail("socket");
    }
    const int on = 1;
    setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    const socklen_t size = where.ss_family == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6);
    if (::bind(fd.get(), reinterpret_cast<sockaddr*>(&where), size) != 0) {
        fail("bind " + address + " port " + std::to_string(port));
    }
    if (::listen(fd.get(), 4) != 0) {
        fail("listen");
    }
    socklen_t length = sizeof where;
    getsockname(fd.get(), reinterpret_cast<sockaddr*>(&where), &length);
    return fd;
}

}  // namespace

TcpEndpoint::TcpEndpoint(const std::string& address, std::uint16_t port) {
    sockaddr_storage where{};
    m_listen = bound(address, port, where);
    const std::uint16_t actual =
        ntohs(where.ss_family == AF_INET ? reinterpret_cast<sockaddr_in*>(&where)->sin_port
                                         : reinterpret_cast<sockaddr_in6*>(&where)->sin6_port);
    m_description =
        (where.ss_family == AF_INET ? address : "[" + address + "]") + ":" + std::to_string(actual);
    m_acceptNotifier = std::make_unique<QSocketNotifier>(m_listen.get(), QSocketNotifier::Read);
    QObject::connect(m_acceptNotifier.get(), &QSocketNotifier::activated, m_acceptNotifier.get(),
                     [this] { acceptOne(); });
    m_closeDeadline.setSingleShot(true);
    QObject::connect(&m_closeDeadline, &QTimer::timeout, &m_closeDeadline,
                     [this] { finishClosing(); });
}

TcpEndpoint::~TcpEndpoint() {
    m_acceptNotifier->setEnabled(false);
}

void TcpEndpoint::EndPeer(bool reset) {
    if (!m_peer) {
        return;
    }
    if (reset) {
        const linger abortive{1, 0};
        setsockopt(m_peer->fd(), SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
        m_peer->Stop();
        if (OnPeerGone) {
            OnPeerGone();
        }
        m_peer.reset();
        updateAccepting();
        return;
    }
    ::shutdown(m_peer->fd(), SHUT_WR);
    m_closing = std::move(m_peer);
    m_closing->OnHangUp = [this] { finishClosing(); };
    m_closeDeadline.start(kCloseWaitMs);
}

void TcpEndpoint::acceptOne() {
    links::UniqueFd fd(::accept4(m_listen.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
    if (!fd.valid()) {
        return;
    }
    const int on = 1;
    setsockopt(fd.get(), SOL_SOCKET, SO_OOBINLINE, &on, sizeof on);
    m_peer = ChannelPtr(new Channel(std::move(fd), true));
    m_peer->OnHangUp = [this] { peerHungUp(); };
    updateAccepting();
    if (OnPeer) {
        OnPeer(*m_peer);
    }
}

void TcpEndpoint::peerHungUp() {
    if (OnPeerGone) {
        OnPeerGone();
    }
    m_peer.reset();
    updateAccepting();
}

void TcpEndpoint::finishClosing() {
    m_closeDeadline.stop();
    if (m_closing) {
        m_closing->Stop();
        if (OnPeerGone) {
            OnPeerGone();
        }
        m_closing.reset();
    }
    updateAccepting();
}

void TcpEndpoint::updateAccepting() {
    m_acceptNotifier->setEnabled(!m_peer && !m_closing);
}

}  // namespace encoder_tool
