#include "VaCommTermios.h"

#include "VaCommSpeed.h"

#include <sys/ioctl.h>

#include <cerrno>
#include <utility>

namespace va_termios {
namespace {

constexpr std::pair<std::int64_t, speed_t> kSpeedCodes[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

std::optional<tcflag_t> wordSize(int dataBits) {
    switch (dataBits) {
        case 5:
            return CS5;
        case 6:
            return CS6;
        case 7:
            return CS7;
        case 8:
            return CS8;
        default:
            return std::nullopt;
    }
}

tcflag_t parityFlags(Parity parity) {
    switch (parity) {
        case Parity::Odd:
            return PARENB | PARODD;
        case Parity::Even:
            return PARENB;
        case Parity::Mark:
            return PARENB | CMSPAR | PARODD;
        case Parity::Space:
            return PARENB | CMSPAR;
        case Parity::None:
            break;
    }
    return 0;
}

}  // namespace

std::optional<speed_t> SpeedCode(std::int64_t bitsPerSecond) {
    for (const auto& [rate, code] : kSpeedCodes) {
        if (rate == bitsPerSecond) {
            return code;
        }
    }
    return std::nullopt;
}

int ApplyLineSettings(const LineSettings& line, termios& settings) {
    const std::optional<speed_t> speed = SpeedCode(line.speed);
    const std::optional<tcflag_t> size = wordSize(line.dataBits);
    if (line.speed <= 0 || !size || line.stopBits == StopBits::OneAndHalf) {
        return EINVAL;
    }
    cfmakeraw(&settings);
    settings.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    settings.c_cflag |= CREAD | CLOCAL | *size | parityFlags(line.parity);
    if (line.stopBits == StopBits::Two) {
        settings.c_cflag |= CSTOPB;
    }
    if (line.outCtsFlow || line.rtsHandshake) {
        settings.c_cflag |= CRTSCTS;
    }
    settings.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
    settings.c_iflag |= (line.xonXoffOut ? IXON : 0) | (line.xonXoffIn ? IXOFF : 0);
    settings.c_iflag |= line.parityCheck ? INPCK : 0;
    settings.c_cc[VSTART] = static_cast<cc_t>(line.xonChar);
    settings.c_cc[VSTOP] = static_cast<cc_t>(line.xoffChar);
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    if (speed) {
        cfsetispeed(&settings, *speed);
        cfsetospeed(&settings, *speed);
    }
    return 0;
}

int VerifySpeed(int fd, std::int64_t bitsPerSecond) {
    const std::int64_t actual = ReadSpeed(fd);
    if (actual < 0) {
        return errno;
    }
    return actual == bitsPerSecond ? 0 : EINVAL;
}

int SetModemLine(int fd, int lineBit, bool on) {
    int bits = lineBit;
    if (ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bits) == 0) {
        return 0;
    }
    const int error = errno;
    return error == ENOTTY || error == EINVAL ? 0 : error;
}

int SetReturnAtOnce(int fd) {
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) {
        return errno;
    }
    if (settings.c_cc[VMIN] == 1 && settings.c_cc[VTIME] == 0) {
        return 0;
    }
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    return tcsetattr(fd, TCSANOW, &settings) == 0 ? 0 : errno;
}

}  // namespace va_termios
