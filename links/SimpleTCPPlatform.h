#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "SimpleTCPRules.h"

// POSIX helpers of the SimpleTCP unit, kept in their own namespace so that other units may
// have helpers of the same names.
namespace simple_tcp {

// Urgent bytes stay in the ordinary stream; read apart they would leave the socket readable
// while no ordinary byte can be taken. Returns 0 or the errno of the failure.
[[nodiscard]] int receiveUrgentInline(int fd) noexcept;

// Bytes waiting to be read, or the errno of a failed query.
struct WaitingBytes {
    int count = 0;
    int error = 0;
};
[[nodiscard]] WaitingBytes bytesWaiting(int fd) noexcept;

// The pending error of a socket (SO_ERROR), cleared by the query; an errno of its own when
// the query fails.
[[nodiscard]] int takeSocketError(int fd) noexcept;

// What one receive found: bytes, the peer's orderly close, nothing for now, or an error.
enum class ReadableState { Data, PeerClosed, Nothing, Error };
struct Readable {
    ReadableState state = ReadableState::Nothing;
    int error = 0;
    size_t count = 0;
};
// Looks at the first waiting byte without taking it.
[[nodiscard]] Readable probeReadable(int fd) noexcept;
// One non-blocking receive of at most size bytes; EINTR is retried.
[[nodiscard]] Readable receiveSome(int fd, void* buffer, size_t size) noexcept;

// One non-blocking send of at most size bytes without SIGPIPE: the count taken (0 when the
// socket takes nothing now), or the errno of a failure.
struct Sent {
    size_t count = 0;
    int error = 0;
};
[[nodiscard]] Sent sendSome(int fd, const void* data, size_t size) noexcept;

// Both directions shut and the close made abortive, so that unsent data is discarded.
void prepareAbortiveClose(int fd) noexcept;

}  // namespace simple_tcp
