#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "kovadex_store.h"

// The text of a workspace file, without any file: an INI text in the form that QSettings
// reads and writes. [General] holds the line "format=kovadex-workspace-1"; every settings
// section is an INI section. Section and key names are percent-encoded twice (once by the
// store, once as QSettings escapes keys); integers are decimal; texts are @ByteArray(...).
namespace kovadex {

// A real workspace is a few kilobytes; anything larger is refused before it is read.
inline constexpr std::size_t kMaxWorkspaceFileBytes = 1024 * 1024;
inline constexpr char kMaxWorkspaceFileText[] = "1 MiB";

// A plain decimal integer: an optional '-', then decimal digits, within 32 bits. No blanks,
// no '+', no other base; leading zeros are allowed ("010" is 10).
std::optional<int32_t> ParseDecimalInteger(std::string_view text);

struct ParsedWorkspace {
    bool ok = false;
    Workspace workspace;
    std::string error;  // when not ok: what is wrong, to follow the file's name
};

ParsedWorkspace ParseWorkspace(std::string_view text);

// The file's text for `workspace`; ParseWorkspace gives `workspace` back from it.
std::string FormatWorkspace(const Workspace& workspace);

}  // namespace kovadex
