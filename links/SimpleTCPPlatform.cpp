#include "SimpleTCPPlatform.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace simple_tcp {

namespace {

// The first IPv4 address of the host's entry; the reentrant call grows its scratch space on
// ERANGE up to a bound, so a huge answer cannot make it allocate without end.
std::optional<uint32_t> lookUpHostName(const std::string& host) {
    constexpr size_t kMaxScratch = 1 << 20;
    std::vector<char> scratch(4096);
    while (true) {
        hostent entry{};
        hostent* found = nullptr;
        int resolverError = 0;
        const int result = ::gethostbyname_r(host.c_str(), &entry, scratch.data(), scratch.size(),
                                             &found, &resolverError);
        if (result == ERANGE && scratch.size() < kMaxScratch) {
            scratch.resize(scratch.size() * 2);
            continue;
        }
        if (result != 0 || found == nullptr || found->h_addrtype != AF_INET ||
            found->h_length != 4 || found->h_addr_list[0] == nullptr) {
            return std::nullopt;
        }
        uint32_t address = 0;
        std::memcpy(&address, found->h_addr_list[0], sizeof address);
        return address;
    }
}

}  // namespace

std::optional<uint32_t> resolveIPv4(const std::string& host) {
    // A name with an embedded NUL would be cut short by the C calls and reach another host; an
    // empty one names no host at all.
    if (host.empty() || host.find('\0') != std::string::npos) {
        return std::nullopt;
    }
    const in_addr_t dotted = ::inet_addr(host.c_str());
    if (dotted != INADDR_NONE) {
        return dotted;
    }
    return lookUpHostName(host);
}

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
