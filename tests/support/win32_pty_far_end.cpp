#include "support/win32_pty_far_end.h"

#include <ws2tcpip.h>

#include <cstdlib>
#include <thread>

namespace test_support {
namespace {

int environmentNumber(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::atoi(value) : 0;
}

// A small receive buffer keeps the bytes that the connection holds for a stalled reader few,
// so that the pseudo-terminal itself fills soon.
constexpr int kReceiveBuffer = 4096;

}  // namespace

PtyFarEnd::PtyFarEnd() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
}

PtyFarEnd::~PtyFarEnd() {
    HangUp();
    WSACleanup();
}

bool PtyFarEnd::Available() {
    return ComNumber() > 0 && environmentNumber("TOLVANE_PTY_PORT") > 0;
}

int PtyFarEnd::ComNumber() {
    return environmentNumber("TOLVANE_PTY_COM");
}

bool PtyFarEnd::Connect(std::chrono::milliseconds timeout) {
    HangUp();
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(environmentNumber("TOLVANE_PTY_PORT")));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    while (std::chrono::steady_clock::now() < deadline) {
        SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        int size = kReceiveBuffer;
        setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&size), sizeof size);
        if (connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
            m_socket = s;
            return true;
        }
        closesocket(s);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

void PtyFarEnd::Send(const std::string& bytes) {
    send(m_socket, bytes.data(), static_cast<int>(bytes.size()), 0);
}

std::string PtyFarEnd::ReceiveUntilQuiet(std::chrono::milliseconds quiet) {
    std::string received;
    char buffer[16384];
    while (m_socket != INVALID_SOCKET) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(m_socket, &readable);
        timeval wait{static_cast<long>(quiet.count() / 1000),
                     static_cast<long>((quiet.count() % 1000) * 1000)};
        if (select(0, &readable, nullptr, nullptr, &wait) != 1) {
            break;
        }
        const int got = recv(m_socket, buffer, sizeof buffer, 0);
        if (got <= 0) {
            break;
        }
        received.append(buffer, static_cast<std::size_t>(got));
    }
    return received;
}

void PtyFarEnd::HangUp() {
    if (m_socket != INVALID_SOCKET) {
        closesocket(m_socket);
        m_socket = INVALID_SOCKET;
    }
}

}  // namespace test_support
