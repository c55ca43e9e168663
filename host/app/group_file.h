#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "group_stream.h"
#include "plugin_library.h"

// What the reference host does with group text on every platform, reporting on standard error
// with the "tolvane-host: " prefix.

// At most this many bad lines of a stream are reported one by one; the rest are counted.
inline constexpr std::int64_t kMaxReportedLines = 100;

// The groups of a file; lines that are no group are reported with their number and skipped.
// Nothing when the file cannot be read (reported).
std::optional<std::vector<HostGroupRecord>> ReadGroupFile(const std::string& path);

// Has `reader` report its bad lines of a live stream, the first kMaxReportedLines of them.
void ReportRejectedStreamLines(GroupLineReader& reader);

// The count of bad lines at the end of the input, when there were any.
void ReportRejectedTotal(std::int64_t rejected);

// Writes the built-in sample groups to the file; the exit code.
int WriteSampleFile(const std::string& path);
