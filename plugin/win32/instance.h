#pragma once

#include <windows.h>

#include <cstdint>

class TForm1Handlers;

// The library's one instance on Windows: the handlers, their window and the links. Made by the
// first Initialize; later calls return the same window.
namespace win32_instance {

// The window's handle, or nullptr when the instance cannot be made (the failure is reported).
HWND Create(HWND hostWindow, int32_t hostValue);

// The instance when one exists, else nullptr.
TForm1Handlers* Current();

// The status line of the instance's window, for error reports; nullptr when there is none.
void ShowOnStatusLine(const char* text) noexcept;

// Called when the library is unloaded (not at process exit): destroys the instance.
void DestroyAtUnload() noexcept;

}  // namespace win32_instance
