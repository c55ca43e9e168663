#pragma once

#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "plugin_library.h"

// Groups as text, one per line: four blocks of four hexadecimal digits separated by single
// spaces ("6204 0130 966B 594C"); "----" stands for a block received in error and becomes -1.
// A space or a tab after the fourth block may lead to further fields (a decoder's time stamp,
// say), which are ignored. Lines starting with '#' are comments.

// The group on the line, or nothing for a comment, a blank line or a line whose first four
// fields are not four blocks.
std::optional<HostGroupRecord> ParseGroupLine(std::string_view line);

// An empty line (spaces and a CR of a CR LF end aside) or a comment.
bool IsBlankOrComment(std::string_view line);

struct GroupFile {
    std::vector<HostGroupRecord> groups;
    int rejectedLines = 0;
};
GroupFile ReadGroups(std::istream& in);

std::string FormatGroupLine(const HostGroupRecord& group);

// The made-up station of sample_station.h.
std::vector<HostGroupRecord> SampleGroups(int count);
