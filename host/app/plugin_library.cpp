#include "plugin_library.h"

#include <utility>

#include "plugin_library_platform.h"

namespace {

template <typename Function>
Function Find(void* handle, const char* name) {
    return reinterpret_cast<Function>(plugin_library_platform::Find(handle, name));
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
    m_handle = plugin_library_platform::Open(path, m_error);
    if (m_handle == nullptr) {
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
        plugin_library_platform::Close(m_handle);
    }
    m_handle = nullptr;
    PluginName = nullptr;
    Initialize = nullptr;
    Command = nullptr;
    RDSGroup = nullptr;
}
