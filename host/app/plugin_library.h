#pragma once

#include <cstdint>
#include <string>

// The host's view of a loaded plug-in: the library handle and its four exports, found by
// name the way any host finds them. Unloads the library when destroyed.
struct HostGroupRecord {
    int32_t fields[7];  // three host fields, then blocks 1 to 4
};
static_assert(sizeof(HostGroupRecord) == 28);

// On Windows the four calls use the standard Windows calling convention (the callee removes
// its arguments); elsewhere the platform's C convention.
#if defined(_WIN32)
#define TOLVANE_PLUGIN_CALL __stdcall
#else
#define TOLVANE_PLUGIN_CALL
#endif

class PluginLibrary {
public:
    using PluginNameFunction = const char*(TOLVANE_PLUGIN_CALL*)();
    using InitializeFunction = void*(TOLVANE_PLUGIN_CALL*)(uintptr_t, int32_t);
    using CommandFunction = void(TOLVANE_PLUGIN_CALL*)(const char*, int32_t);
    using RDSGroupFunction = void(TOLVANE_PLUGIN_CALL*)(const HostGroupRecord*);

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
