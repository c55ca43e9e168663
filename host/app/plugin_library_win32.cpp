#include <windows.h>

#include <utility>

#include "plugin_library.h"
#include "system_text_win32.h"

namespace {

// The four calls are found by their undecorated names, as the library exports them.
template <typename Function>
Function Find(void* handle, const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name)));
}

std::string FullPath(const std::string& path) {
    char full[MAX_PATH] = {};
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return length > 0 && length < sizeof full ? std::string(full, length) : path;
}

}  // namespace

PluginLibrary::~PluginLibrary() {
    Unload();
}

PluginLibrary::PluginLibrary(PluginLibrary&& other) noexcept {
    *this = std::move(other);
}

PluginLibrary& PluginLibrary::operator=(PluginLibrary&& other) noexcept {
    if (this != &other) {
        Unload();
        m_handle = std::exchange(other.m_handle, nullptr);
        m_error = std::move(other.m_error);
        PluginName = std::exchange(other.PluginName, nullptr);
        Initialize = std::exchange(other.Initialize, nullptr);
        Command = std::exchange(other.Command, nullptr);
        RDSGroup = std::exchange(other.RDSGroup, nullptr);
    }
    return *this;
}

bool PluginLibrary::Load(const std::string& path) {
    Unload();
    // Without a dialog box from the system when the file or one of its DLLs is missing.
    const UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    // The full path lets the system find kovadex.dll in the plug-in's own folder.
    m_handle = LoadLibraryExA(FullPath(path).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    const DWORD error = GetLastError();
    SetErrorMode(previousMode);
    if (m_handle == nullptr) {
        m_error = path + ": " + SystemErrorText(error);
        return false;
    }
    PluginName = Find<PluginNameFunction>(m_handle, "PluginName");
    Initialize = Find<InitializeFunction>(m_handle, "Initialize");
    Command = Find<CommandFunction>(m_handle, "Command");
    RDSGroup = Find<RDSGroupFunction>(m_handle, "RDSGroup");
    if (PluginName == nullptr || Initialize == nullptr || Command == nullptr ||
        RDSGroup == nullptr) {
        m_error = path + " lacks one of PluginName, Initialize, Command, RDSGroup";
        Unload();
        return false;
    }
    m_error.clear();
    return true;
}

void PluginLibrary::Unload() {
    if (m_handle != nullptr) {
        FreeLibrary(static_cast<HMODULE>(m_handle));
    }
    m_handle = nullptr;
    PluginName = nullptr;
    Initialize = nullptr;
    Command = nullptr;
    RDSGroup = nullptr;
}
