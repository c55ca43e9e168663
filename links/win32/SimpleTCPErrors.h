#pragma once

#include <string>

#include "SimpleTCPErrorTable.h"

using simple_tcp::kWsaEFault;

// The text of a WinSock error code: the row's text, and "Not a WinSock error ?" for a code
// without a row. WinSock's own numbers are the table's, so no mapping comes first.
[[nodiscard]] std::string SocketErrorText(int errorCode);
