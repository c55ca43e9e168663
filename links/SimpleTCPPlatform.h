#pragma once

#include <cstdint>
#include <optional>
#include <string>

// POSIX helpers of the SimpleTCP unit, kept in their own namespace so that other units may
// have helpers of the same names.
namespace simple_tcp {

// Owner of one file descriptor; closing is explicit where the caller needs the result.
class UniqueFd {
public:
    UniqueFd() noexcept = default;
    explicit UniqueFd(int fd) noexcept : m_fd(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { close(); }

    [[nodiscard]] int get() const noexcept { return m_fd; }
    [[nodiscard]] bool valid() const noexcept { return m_fd >= 0; }
    int release() noexcept;

    // Closes and forgets the descriptor; returns 0 or the errno of a failed close. The
    // descriptor is gone either way: Linux releases it even when close reports an error.
    int close() noexcept;

private:
    int m_fd = -1;
};

// The IPv4 address of a dotted address or a host name, in network byte order. Resolution
// blocks the calling thread for as long as the resolver takes.
[[nodiscard]] std::optional<uint32_t> resolveIPv4(const std::string& host);

// Bytes waiting to be read, or the errno of a failed query.
struct WaitingBytes {
    int count = 0;
    int error = 0;
};
[[nodiscard]] WaitingBytes bytesWaiting(int fd) noexcept;

// The pending error of a socket (SO_ERROR), cleared by the query; an errno of its own when
// the query fails.
[[nodiscard]] int takeSocketError(int fd) noexcept;

// What a readable socket holds: data, the peer's orderly close, nothing after all, or an error.
enum class ReadableState { Data, PeerClosed, Nothing, Error };
struct Readable {
    ReadableState state = ReadableState::Nothing;
    int error = 0;
};
[[nodiscard]] Readable probeReadable(int fd) noexcept;

// Both directions shut and the close made abortive, so that unsent data is discarded.
void prepareAbortiveClose(int fd) noexcept;

}  // namespace simple_tcp
