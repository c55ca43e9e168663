#pragma once

#include <string>

#include "SimpleTCPErrorTable.h"

using simple_tcp::kWsaEFault;

// Broken pipe has no row in the socket layer's list; Linux reports it under the code that the
// same numbering scheme gives it (base + the BSD errno 32).
inline constexpr int kWsaEPipe = 10032;

// A platform error with no row of its own is reported above this base, so that it still counts
// as an error (every code above 10000 does) and keeps its errno recoverable.
inline constexpr int kUnlistedErrnoBase = 20000;

// Maps an errno value to the code of the row with the same POSIX error name; 0 stays 0.
[[nodiscard]] int WinSockCodeFromErrno(int errnoValue) noexcept;

// The text of a socket error code: the row's text, the system's own text for a platform error
// without a row, and "Not a WinSock error ?" for a code that stands for no known error.
[[nodiscard]] std::string SocketErrorText(int errorCode);
