#include "LinkCommon.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace links {

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        reset(other.release());
    }
    return *this;
}

int UniqueFd::release() noexcept {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

void UniqueFd::reset(int fd) noexcept {
    close();
    m_fd = fd;
}

int UniqueFd::close() noexcept {
    if (m_fd < 0) {
        return 0;
    }
    const int result = ::close(release());
    return result == 0 ? 0 : errno;
}

std::string SystemErrorText(int errnum) {
    char buffer[256];
    // The GNU strerror_r returns its text, which need not be in buffer.
    return strerror_r(errnum, buffer, sizeof buffer);
}

}  // namespace links
