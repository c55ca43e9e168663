#pragma once

#include <string_view>

// The code of a host name that cannot be resolved, whatever the resolver said.
inline constexpr int kWsaEFault = 10014;

// A platform error with no row of its own is reported above this base, so that it still counts
// as an error (every code above 10000 does) and keeps its errno recoverable.
inline constexpr int kUnlistedErrnoBase = 20000;

// Maps an errno value to the code of the row with the same POSIX error name; 0 stays 0.
[[nodiscard]] int WinSockCodeFromErrno(int errnoValue) noexcept;

// The text of a socket error code; a code without a row gives "Not a WinSock error ?".
[[nodiscard]] std::string_view SocketErrorText(int errorCode) noexcept;
