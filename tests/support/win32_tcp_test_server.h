#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

// The Windows test servers of the TCP link: the same interface as the Linux ones, on WinSock.
// Handles are kept as uintptr_t so that this header needs no WinSock header of its own.

// The server end of one accepted connection, driven by the test on its own thread.
class TcpTestPeer {
public:
    TcpTestPeer() = default;
    explicit TcpTestPeer(uintptr_t socket) noexcept : m_socket(socket) {}
    TcpTestPeer(TcpTestPeer&& other) noexcept;
    TcpTestPeer& operator=(TcpTestPeer&& other) noexcept;
    TcpTestPeer(const TcpTestPeer&) = delete;
    TcpTestPeer& operator=(const TcpTestPeer&) = delete;
    ~TcpTestPeer();

    [[nodiscard]] bool valid() const noexcept;
    [[nodiscard]] uintptr_t fd() const noexcept { return m_socket; }

    // Sends every byte or fails the calling test.
    void send(std::string_view bytes);
    // Whatever arrives within the time limit, up to `wanted` bytes.
    [[nodiscard]] std::string receive(size_t wanted, std::chrono::milliseconds limit);
    // Sends FIN after reading what the client sent, so that the close is orderly, not a reset.
    void closeOrderly();
    // Closes with SO_LINGER 0, which sends a reset.
    void reset();

private:
    void close() noexcept;

    uintptr_t m_socket = ~uintptr_t{0};
};

// A TCP server socket on 127.0.0.1 with an ephemeral port. Until it listens, connects to its
// port are refused, and the port stays reserved for the test.
class TcpTestServer {
public:
    enum class Mode { Listening, Refusing };
    explicit TcpTestServer(Mode mode = Mode::Listening, int receiveBufferBytes = 0);
    ~TcpTestServer();
    TcpTestServer(const TcpTestServer&) = delete;
    TcpTestServer& operator=(const TcpTestServer&) = delete;

    [[nodiscard]] uint16_t port() const noexcept { return m_port; }
    void listen();
    // Accepts one queued connection, waiting for it up to the limit; invalid when none came.
    [[nodiscard]] TcpTestPeer accept(std::chrono::milliseconds limit = std::chrono::seconds(5));
    [[nodiscard]] bool hasPendingConnection() const;

private:
    uintptr_t m_socket = ~uintptr_t{0};
    uint16_t m_port = 0;
};

// Whether the peer's connection ended with a reset from the other side rather than an orderly
// close, waiting up to the limit for the close to arrive.
[[nodiscard]] bool peerWasReset(const TcpTestPeer& peer,
                                std::chrono::milliseconds limit = std::chrono::seconds(5));
