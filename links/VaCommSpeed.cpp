#include "VaCommSpeed.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <limits>

namespace va_termios {

int SetCustomSpeed(int fd, std::int64_t bitsPerSecond) {
    if (bitsPerSecond <= 0 || bitsPerSecond > std::numeric_limits<speed_t>::max()) {
        return EINVAL;
    }
    termios2 settings{};
    if (ioctl(fd, TCGETS2, &settings) != 0) {
        return errno;
    }
    settings.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    settings.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    settings.c_ispeed = static_cast<speed_t>(bitsPerSecond);
    settings.c_ospeed = static_cast<speed_t>(bitsPerSecond);
    return ioctl(fd, TCSETS2, &settings) == 0 ? 0 : errno;
}

std::int64_t ReadSpeed(int fd) {
    termios2 settings{};
    if (ioctl(fd, TCGETS2, &settings) != 0) {
        return -1;
    }
    return settings.c_ospeed;
}

}  // namespace va_termios
