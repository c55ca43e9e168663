#pragma once

#include <cstdint>
#include <string>

// The host's view of a loaded plug-in: the library handle and its four exports, found by
// name the way any host finds them. Unloads the library when destroyed.
struct HostGroupRecord {
    int32_t fields[7];  // three host fields, then blocks 1 to 4
};
static_assert(sizeof(HostGroupRecord) == 28);

class PluginLibrary {
public:
    using PluginNameFunction = const char* (*)();
    using InitializeFunction = void* (*)(uintptr_t, int32_t);
    using CommandFunction = void (*)(const char*, int32_t);
    using RDSGroupFunction = void (*)(const HostGroupRecord*);

    PluginLibrary() = default;
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;
    PluginLibrary(PluginLibrary&& other) noexcept;
    PluginLibrary& operator=(PluginLibrary&& other) noexcept;

    // Loads the library at `path`; on failure returns false and leaves the loader's message
    // in Error().
    bool Load(const std::string& path);
    void Unload();
    bool IsLoaded() const { return m_handle != nullptr; }
    const std::string& Error() const { return m_error; }

    PluginNameFunction PluginName = nullptr;
    InitializeFunction Initialize = nullptr;
    CommandFunction Command = nullptr;
    RDSGroupFunction RDSGroup = nullptr;

private:
    void* m_handle = nullptr;
    std::string m_error;
};
