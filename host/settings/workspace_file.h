#pragma once

#include <string>

#include "kovadex_store.h"

// Workspace files: QSettings INI files, one section per settings section. Integers are
// written as decimal numbers and texts as byte arrays, so every byte of a text comes back.
namespace kovadex {

struct FileResult {
    bool ok = false;
    std::string error;  // what went wrong, for a person, when not ok
};

// Reads the whole file into `workspace`; on any failure `workspace` is left unchanged.
FileResult ReadWorkspaceFile(const std::string& path, Workspace& workspace);

// Writes a temporary file beside `path`, flushes it to the disk and renames it over `path`:
// the previous file stays whole until the new one is complete.
FileResult WriteWorkspaceFile(const std::string& path, const Workspace& workspace);

}  // namespace kovadex
