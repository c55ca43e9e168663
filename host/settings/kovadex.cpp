#include "kovadex.h"

#include <string>

#include "file_calls.h"
#include "kovadex_store.h"
#include "workspace_file.h"
#include "workspace_format.h"

// kovadex.def names the exports of kovadex.dll; on Linux the symbols' visibility and
// kovadex.map do.
#if defined(_WIN32)
#define KOVADEX_EXPORT
#else
#define KOVADEX_EXPORT __attribute__((visibility("default")))
#endif

namespace kovadex {

std::map<int32_t, Workspace>& Workspaces() {
    static std::map<int32_t, Workspace> workspaces;
    return workspaces;
}

}  // namespace kovadex

// Integers and texts share one key space. A number read as a text is its decimal text; a text
// read as a number is that number when it is a plain decimal integer in 32 bits, else absent.
namespace {

using kovadex::StoredValue;

std::string& LastLoadedText() {
    static std::string text;
    return text;
}

std::string Text(const char* text) {
    return text == nullptr ? std::string() : std::string(text);
}

kovadex::FileCalls& PlatformFileCalls() {
    static kovadex::SystemFileCalls calls;
    return calls;
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

KOVADEX_EXPORT int32_t KOVADEX_CALL SaveInteger(int32_t workspace, const char* section,
                                                const char* key, int32_t value) {
    try {
        Slot(workspace, section, key) = value;
        return 1;
    } catch (...) {
        return 0;
    }
}

KOVADEX_EXPORT int32_t KOVADEX_CALL LoadInteger(int32_t workspace, const char* section,
                                                const char* key, int32_t defaultValue) {
    try {
        if (const StoredValue* found = Find(workspace, section, key)) {
            if (const auto* number = std::get_if<int32_t>(found)) {
                return *number;
            }
            return kovadex::ParseDecimalInteger(std::get<std::string>(*found))
                .value_or(defaultValue);
        }
    } catch (...) {
    }
    return defaultValue;
}

KOVADEX_EXPORT int32_t KOVADEX_CALL SavePChar(int32_t workspace, const char* section,
                                              const char* key, const char* value) {
    try {
        Slot(workspace, section, key) = Text(value);
        return 1;
    } catch (...) {
        return 0;
    }
}

KOVADEX_EXPORT const char* KOVADEX_CALL LoadPChar(int32_t workspace, const char* section,
                                                  const char* key, const char* defaultValue) {
    std::string& last = LastLoadedText();
    try {
        const StoredValue* found = Find(workspace, section, key);
        if (found == nullptr) {
            last = Text(defaultValue);
        } else if (const auto* number = std::get_if<int32_t>(found)) {
            last = std::to_string(*number);
        } else {
            last = std::get<std::string>(*found);
        }
    } catch (...) {
        last.clear();
    }
    return last.c_str();
}

KOVADEX_EXPORT int32_t KOVADEX_CALL LoadWorkspaceFile(int32_t workspace, const char* path) {
    return FileOperation([&] {
        kovadex::Workspace read;
        const kovadex::FileResult result =
            kovadex::ReadWorkspaceFile(PlatformFileCalls(), Text(path), read);
        if (result.ok) {
            kovadex::Workspaces()[workspace] = std::move(read);
        }
        return result;
    });
}

KOVADEX_EXPORT int32_t KOVADEX_CALL SaveWorkspaceFile(int32_t workspace, const char* path) {
    return FileOperation([&] {
        const auto held = kovadex::Workspaces().find(workspace);
        const bool empty = held == kovadex::Workspaces().end();
        return kovadex::WriteWorkspaceFile(PlatformFileCalls(), Text(path),
                                           empty ? kovadex::Workspace{} : held->second);
    });
}

KOVADEX_EXPORT const char* KOVADEX_CALL WorkspaceFileError() {
    return FileError().c_str();
}

}  // extern "C"
