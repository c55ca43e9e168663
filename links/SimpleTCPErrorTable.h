#pragma once

#include <string_view>

// The socket error table of the TCP link, the same on every platform: WinSock-numbered codes
// and their texts. Plain C++ that both platforms compile; how a platform's own errors reach these
// codes is the platform's business.
namespace simple_tcp {

// Every code above this one is a failure, whatever the notification it comes with.
inline constexpr int kHighestNonErrorCode = 10000;

// The code of a host name that cannot be resolved, whatever the resolver said.
inline constexpr int kWsaEFault = 10014;

// The text of a code without a row.
inline constexpr std::string_view kNotAWinSockErrorText = "Not a WinSock error ?";

// The row's text for a code, or an empty view when the table has no row for it.
[[nodiscard]] std::string_view ListedSocketErrorText(int code) noexcept;

}  // namespace simple_tcp
