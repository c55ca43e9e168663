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
// Lines starting with '#' are comments.

// The group on the line, or nothing for a comment, a blank line or a line that is no group.
std::optional<HostGroupRecord> ParseGroupLine(std::string_view line);

struct GroupFile {
    std::vector<HostGroupRecord> groups;
    int rejectedLines = 0;
};
GroupFile ReadGroups(std::istream& in);

std::string FormatGroupLine(const HostGroupRecord& group);

// A made-up station's groups, built by this code: programme service name, RadioText, clock
// time and a few other types, with every tenth group's block 3 received in error.
std::vector<HostGroupRecord> SampleGroups(int count);
