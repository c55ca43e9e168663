#pragma once

namespace simple_tcp {

// Starts WinSock for the module that holds this code, once, at the first call; it is cleaned up
// when that module is unloaded (the DLL's detach, or the end of the program that links it).
// The result is not examined: without WinSock every call fails with 10093 "WinSock not
// initialized", which the link reports like any other failure.
void EnsureWinSock() noexcept;

}  // namespace simple_tcp
