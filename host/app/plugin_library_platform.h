#pragma once

#include <string>

// What loading a library takes on each platform: plugin_library_posix.cpp and
// plugin_library_win32.cpp.
namespace plugin_library_platform {

// The loaded library's handle, or null with the system's message in `error`.
void* Open(const std::string& path, std::string& error);
void* Find(void* handle, const char* name);
void Close(void* handle);

}  // namespace plugin_library_platform
