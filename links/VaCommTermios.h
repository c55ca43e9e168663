#pragma once

#include <termios.h>

#include <cstdint>
#include <optional>

// The line settings of a port expressed in termios terms.
namespace va_termios {

enum class Parity { None, Odd, Even, Mark, Space };
enum class StopBits { One, OneAndHalf, Two };

struct LineSettings {
    std::int64_t speed = 1200;
    int dataBits = 8;
    Parity parity = Parity::None;
    StopBits stopBits = StopBits::One;
    bool outCtsFlow = false;
    bool rtsHandshake = false;
    bool xonXoffOut = false;
    bool xonXoffIn = false;
    bool parityCheck = false;
    char xonChar = 17;
    char xoffChar = 19;
};

// The termios speed code for bits per second, when the platform has one.
std::optional<speed_t> SpeedCode(std::int64_t bitsPerSecond);

// Raw mode with the receiver on, modem-status lines ignored, VMIN 1 and VTIME 0, built on the
// given settings. A speed outside the table keeps the settings' own code: it is set afterwards
// with SetCustomSpeed. Returns 0, or EINVAL for a speed of 0 or less, or a word size or
// stop-bit count termios lacks.
int ApplyLineSettings(const LineSettings& line, termios& settings);

// Reads the speed back, which a driver may quietly leave unchanged (word size and parity are
// not compared: a pseudo-terminal always reports 8 bits, no parity). Returns 0, EINVAL on a
// difference, or errno.
int VerifySpeed(int fd, std::int64_t bitsPerSecond);

// Sets or clears TIOCM_DTR or TIOCM_RTS; a device without modem lines counts as done.
// Returns 0 or the errno of the failed call.
int SetModemLine(int fd, int line, bool on);

// Makes reads on fd return at once (VMIN 1, VTIME 0, with O_NONBLOCK). Returns 0 or errno.
int SetReturnAtOnce(int fd);

}  // namespace va_termios
