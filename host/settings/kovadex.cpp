#include "kovadex.h"

#include <string>

#include "kovadex_store.h"
#include "workspace_file.h"

namespace kovadex {

std::map<int32_t, Workspace>& Workspaces() {
    static std::map<int32_t, Workspace> workspaces;
    return workspaces;
}

}  // namespace kovadex

// Integers and texts share one key space: a key saved as text and read as an integer (or the
// other way round) reads as absent.
namespace {

using kovadex::StoredValue;

std::string& LastLoadedText() {
    static std::string text;
    return text;
}

std::string Text(const char* text) {
    return text == nullptr ? std::string() : std::string(text);
}

std::string& FileError() {
    static std::string text;
    return text;
}

StoredValue& Slot(int32_t workspace, const char* section, const char* key) {
    return kovadex::Workspaces()[workspace][{Text(section), Text(key)}];
}

const StoredValue* Find(int32_t workspace, const char* section, const char* key) {
    const auto held = kovadex::Workspaces().find(workspace);
    if (held == kovadex::Workspaces().end()) {
        return nullptr;
    }
    const auto found = held->second.find({Text(section), Text(key)});
    return found == held->second.end() ? nullptr : &found->second;
}

// Runs a file operation and keeps its message; nothing it throws leaves the library.
template <typename Operation>
int32_t FileOperation(Operation&& operation) noexcept {
    try {
        const kovadex::FileResult result = operation();
        FileError() = result.error;
        return result.ok ? 1 : 0;
    } catch (const std::exception& error) {
        try {
            FileError() = error.what();
        } catch (...) {
        }
    } catch (...) {
    }
    return 0;
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int32_t SaveInteger(int32_t workspace, const char* section,
                                                           const char* key, int32_t value) {
    try {
        Slot(workspace, section, key) = value;
        return 1;
    } catch (...) {
        return 0;
    }
}

__attribute__((visibility("default"))) int32_t LoadInteger(int32_t workspace, const char* section,
                                                           const char* key, int32_t defaultValue) {
    try {
        if (const StoredValue* found = Find(workspace, section, key)) {
            if (const auto* number = std::get_if<int32_t>(found)) {
                return *number;
            }
        }
    } catch (...) {
    }
    return defaultValue;
}

__attribute__((visibility("default"))) int32_t SavePChar(int32_t workspace, const char* section,
                                                         const char* key, const char* value) {
    try {
        Slot(workspace, section, key) = Text(value);
        return 1;
    } catch (...) {
        return 0;
    }
}

__attribute__((visibility("default"))) const char* LoadPChar(int32_t workspace, const char* section,
                                                             const char* key,
                                                             const char* defaultValue) {
    std::string& last = LastLoadedText();
    try {
        const StoredValue* found = Find(workspace, section, key);
        const auto* text = found == nullptr ? nullptr : std::get_if<std::string>(found);
        last = text != nullptr ? *text : Text(defaultValue);
    } catch (...) {
        last.clear();
    }
    return last.c_str();
}

__attribute__((visibility("default"))) int32_t LoadWorkspaceFile(int32_t workspace,
                                                                 const char* path) {
    return FileOperation([&] {
        kovadex::Workspace read;
        const kovadex::FileResult result = kovadex::ReadWorkspaceFile(Text(path), read);
        if (result.ok) {
            kovadex::Workspaces()[workspace] = std::move(read);
        }
        return result;
    });
}

__attribute__((visibility("default"))) int32_t SaveWorkspaceFile(int32_t workspace,
                                                                 const char* path) {
    return FileOperation([&] {
        const auto held = kovadex::Workspaces().find(workspace);
        const bool empty = held == kovadex::Workspaces().end();
        return kovadex::WriteWorkspaceFile(Text(path), empty ? kovadex::Workspace{} : held->second);
    });
}

__attribute__((visibility("default"))) const char* WorkspaceFileError() {
    return FileError().c_str();
}

}  // extern "C"
