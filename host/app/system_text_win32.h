#pragma once

#include <windows.h>

#include <string>

// The system's text for a Win32 error code, without its line end ("system error N" when the
// system has none).
std::string SystemErrorText(DWORD code);
