// The four settings calls and the workspace files behind them.
// Properties: every value comes back as it was last saved, byte for byte, from memory and after a
// save to a file and a load from it; any file, whatever its bytes, either loads or is refused
// with a message, the file calls and the format reader agree on which, and a workspace that
// loads is formatted, read again to the same values and formatted again to the same text.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "kovadex.h"
#include "workspace_format.h"

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

std::string Scratch(const char* name) {
    // In memory where there is a memory file system: every save flushes to the disk.
    static const std::string folder = [] {
        char memory[] = "/dev/shm/fuzz-kovadex-XXXXXX";
        char disk[] = "/tmp/fuzz-kovadex-XXXXXX";
        const char* made = mkdtemp(memory);
        return std::string(made != nullptr ? made : mkdtemp(disk));
    }();
    return folder + "/" + name;
}

using Value = std::variant<int32_t, std::string>;
using Saved = std::map<std::pair<std::string, std::string>, Value>;

// A C text from the input: up to the next 0x01 byte (texts cannot hold a NUL).
std::string Text(std::string_view& in) {
    const std::size_t end = std::min(in.find('\x01'), in.size());
    std::string text(in.substr(0, end));
    in.remove_prefix(std::min(end + 1, in.size()));
    text.erase(std::find(text.begin(), text.end(), '\0'), text.end());
    return text;
}

Saved SaveAll(std::string_view in, int32_t workspace) {
    Saved saved;
    while (!in.empty()) {
        const bool integer = (in.front() & 1) != 0;
        in.remove_prefix(1);
        std::string section = Text(in);
        std::string key = Text(in);
        if (integer) {
            const int32_t value = static_cast<int32_t>(std::hash<std::string>{}(key));
            SaveInteger(workspace, section.c_str(), key.c_str(), value);
            saved[{section, key}] = value;
        } else {
            std::string value = Text(in);
            SavePChar(workspace, section.c_str(), key.c_str(), value.c_str());
            saved[{section, key}] = value;
        }
    }
    return saved;
}

void RequireLoaded(const Saved& saved, int32_t workspace) {
    for (const auto& [where, value] : saved) {
        const char* section = where.first.c_str();
        const char* key = where.second.c_str();
        if (const auto* number = std::get_if<int32_t>(&value)) {
            Require(LoadInteger(workspace, section, key, *number ^ 1) == *number);
        } else {
            Require(std::string(LoadPChar(workspace, section, key, "\x02")) ==
                    std::get<std::string>(value));
        }
    }
}

// The format alone: a text that parses formats to a text that parses to the same workspace,
// and that text is a fixed point of formatting.
void RequireFormatRoundTrip(std::string_view in) {
    const kovadex::ParsedWorkspace parsed = kovadex::ParseWorkspace(in);
    if (!parsed.ok) {
        Require(!parsed.error.empty());
        return;
    }
    const std::string text = kovadex::FormatWorkspace(parsed.workspace);
    const kovadex::ParsedWorkspace again = kovadex::ParseWorkspace(text);
    Require(again.ok && again.workspace == parsed.workspace);
    Require(kovadex::FormatWorkspace(again.workspace) == text);
}

// Loading a file that holds nothing empties the four workspaces an input uses, so that
// inputs neither see each other's values nor pile up in memory.
void EmptyWorkspaces(int32_t first) {
    static const std::string empty = [] {
        const std::string path = Scratch("empty.ini");
        std::ofstream(path) << "[General]\nformat=kovadex-workspace-1\n";
        return path;
    }();
    for (int32_t workspace = first; workspace < first + 4; ++workspace) {
        Require(LoadWorkspaceFile(workspace, empty.c_str()) == 1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const int32_t workspace = 1;
    EmptyWorkspaces(workspace);
    const std::string_view in(reinterpret_cast<const char*>(data), size);
    const Saved saved = SaveAll(in, workspace);
    RequireLoaded(saved, workspace);
    const std::string file = Scratch("saved.ini");
    Require(SaveWorkspaceFile(workspace, file.c_str()) == 1);
    Require(LoadWorkspaceFile(workspace + 1, file.c_str()) == 1);
    RequireLoaded(saved, workspace + 1);

    const std::string raw = Scratch("raw.ini");
    std::ofstream(raw, std::ios::binary).write(in.data(), static_cast<std::streamsize>(in.size()));
    const bool loaded = LoadWorkspaceFile(workspace + 2, raw.c_str()) == 1;
    Require(loaded == kovadex::ParseWorkspace(in).ok);
    if (loaded) {
        Require(SaveWorkspaceFile(workspace + 2, file.c_str()) == 1);
        Require(LoadWorkspaceFile(workspace + 3, file.c_str()) == 1);
    } else {
        Require(std::strlen(WorkspaceFileError()) > 0);
    }
    RequireFormatRoundTrip(in);
    return 0;
}
