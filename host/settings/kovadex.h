#pragma once

#include <cstdint>

// Windows hosts call the store with the standard Windows calling convention (the callee
// removes its arguments); elsewhere the platform's C convention.
#if defined(_WIN32)
#define KOVADEX_CALL __stdcall
#else
#define KOVADEX_CALL
#endif

extern "C" {

// The host's settings store: four calls that keep integers and texts per workspace, section
// and key. A text returned by LoadPChar stays valid until the next call into the library.
// Texts are 8-bit and kept byte for byte; sections and keys are case-sensitive.
int32_t KOVADEX_CALL SaveInteger(int32_t workspace, const char* section, const char* key,
                                 int32_t value);
int32_t KOVADEX_CALL LoadInteger(int32_t workspace, const char* section, const char* key,
                                 int32_t defaultValue);
int32_t KOVADEX_CALL SavePChar(int32_t workspace, const char* section, const char* key,
                               const char* value);
const char* KOVADEX_CALL LoadPChar(int32_t workspace, const char* section, const char* key,
                                   const char* defaultValue);

// For the host alone: workspaces kept in files.
//
// LoadWorkspaceFile replaces everything held for `workspace` with the contents of the file,
// read anew each time. SaveWorkspaceFile writes everything held for `workspace` to the file
// (through symbolic links, to the file they lead to), atomically: a new file is written beside
// it, flushed to the disk, read back and renamed over it, so that a crash or a full disk
// leaves the previous file whole (a crash may leave an unfinished "NAME.XXXXXX" beside it).
// Paths are bytes, passed to the system unchanged. Each returns 1 on success and 0 on
// failure; after a failure the workspace in memory and the file on disk are as they were, and
// WorkspaceFileError() tells what went wrong. A host must not save over a file that it could
// not load: that file may hold settings that it would lose.
int32_t KOVADEX_CALL LoadWorkspaceFile(int32_t workspace, const char* path);
int32_t KOVADEX_CALL SaveWorkspaceFile(int32_t workspace, const char* path);
// The message of the last failed load or save, or "" when the last one succeeded. Valid
// until the next call into the library.
const char* KOVADEX_CALL WorkspaceFileError(void);
}
