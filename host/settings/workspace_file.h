#pragma once

#include <string>

#include "file_calls.h"
#include "kovadex_store.h"

// Workspace files on disk: the text of workspace_format.h, read and written through the
// platform's file calls. Paths are bytes, passed to the system unchanged.
namespace kovadex {

struct FileResult {
    bool ok = false;
    std::string error;  // what went wrong, for a person, when not ok
};

// Reads the whole file into `workspace`; on any failure `workspace` is left unchanged. A
// symbolic link is followed; one that leads nowhere, anything but a regular file and a file
// larger than kMaxWorkspaceFileBytes are refused without waiting and without reading it.
FileResult ReadWorkspaceFile(FileCalls& calls, const std::string& path, Workspace& workspace);

// Writes a new file beside the file that `path` names (through symbolic links), flushes it
// to the disk, reads it back, renames it over the old one and flushes the folder: the
// previous file stays whole until the new one is complete. The new file gets the old one's
// mode and, where the user may set them, its owner and group.
FileResult WriteWorkspaceFile(FileCalls& calls, const std::string& path,
                              const Workspace& workspace);

}  // namespace kovadex
