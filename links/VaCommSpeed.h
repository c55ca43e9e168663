#pragma once

#include <cstdint>

// Bit rates outside the classic table, through the kernel's termios2 interface. Kept apart
// from <termios.h>, whose definitions clash with the kernel's.
namespace va_termios {

// Sets the input and output speed of the terminal fd to bitsPerSecond, whatever the table
// holds. Returns 0 or errno.
int SetCustomSpeed(int fd, std::int64_t bitsPerSecond);

// The output speed of the terminal fd in bits per second; -1 when it cannot be read (errno set).
std::int64_t ReadSpeed(int fd);

}  // namespace va_termios
