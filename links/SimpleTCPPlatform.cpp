#include "SimpleTCPPlatform.h"

#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace simple_tcp {

WaitingBytes bytesWaiting(int fd) noexcept {
    int count = 0;
    if (::ioctl(fd, FIONREAD, &count) != 0) {
        return {0, errno};
    }
    return {count, 0};
}

int takeSocketError(int fd) noexcept {
    int pending = 0;
    socklen_t length = sizeof pending;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &pending, &length) != 0) {
        return errno;
    }
    return pending;
}

int receiveUrgentInline(int fd) noexcept {
    const int on = 1;
    return ::setsockopt(fd, SOL_SOCKET, SO_OOBINLINE, &on, sizeof on) == 0 ? 0 : errno;
}

namespace {

Readable receiveWith(int fd, void* buffer, size_t size, int flags) noexcept {
    ssize_t result = 0;
    do {
        result = ::recv(fd, buffer, size, flags | MSG_DONTWAIT);
    } while (result < 0 && errno == EINTR);
    if (result > 0) {
        return {ReadableState::Data, 0, static_cast<size_t>(result)};
    }
    if (result == 0) {
        return {ReadableState::PeerClosed, 0, 0};
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
        return {ReadableState::Nothing, 0, 0};
    }
    return {ReadableState::Error, errno, 0};
}

}  // namespace

Readable probeReadable(int fd) noexcept {
    char probe = 0;
    return receiveWith(fd, &probe, 1, MSG_PEEK);
}

Readable receiveSome(int fd, void* buffer, size_t size) noexcept {
    return receiveWith(fd, buffer, size, 0);
}

Sent sendSome(int fd, const void* data, size_t size) noexcept {
    ssize_t result = 0;
    do {
        result = ::send(fd, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
    } while (result < 0 && errno == EINTR);
    if (result >= 0) {
        return {static_cast<size_t>(result), 0};
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
        return {0, 0};
    }
    return {0, errno};
}

void prepareAbortiveClose(int fd) noexcept {
    ::shutdown(fd, SHUT_RDWR);
    const linger abortive{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
}

}  // namespace simple_tcp
