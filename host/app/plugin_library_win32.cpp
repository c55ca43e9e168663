#include <windows.h>

#include "plugin_library_platform.h"
#include "system_text_win32.h"

namespace {

std::string FullPath(const std::string& path) {
    char full[MAX_PATH] = {};
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return length > 0 && length < sizeof full ? std::string(full, length) : path;
}

}  // namespace

namespace plugin_library_platform {

void* Open(const std::string& path, std::string& error) {
    // Without a dialog box from the system when the file or one of its DLLs is missing.
    const UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    // The full path lets the system find kovadex.dll in the plug-in's own folder.
    HMODULE handle = LoadLibraryExA(FullPath(path).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    const DWORD code = GetLastError();
    SetErrorMode(previousMode);
    if (handle == nullptr) {
        error = path + ": " + SystemErrorText(code);
    }
    return handle;
}

// The four calls are found by their undecorated names, as the library exports them.
void* Find(void* handle, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

void Close(void* handle) {
    FreeLibrary(static_cast<HMODULE>(handle));
}

}  // namespace plugin_library_platform
