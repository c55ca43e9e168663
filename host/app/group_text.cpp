#include "group_text.h"

#include "sample_station.h"

#include <array>
#include <cctype>
#include <cstdio>

namespace {

constexpr int kBlock1 = 3;
// Four blocks of four characters and the three spaces between them.
constexpr std::size_t kGroupTextLength = 19;

std::optional<int32_t> ParseBlock(std::string_view text) {
    if (text == "----") {
        return -1;
    }
    if (text.size() != 4) {
        return std::nullopt;
    }
    int32_t value = 0;
    for (char c : text) {
        const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                          : (c >= 'A' && c <= 'F')                    ? c - 'A' + 10
                          : (c >= 'a' && c <= 'f')                    ? c - 'a' + 10
                                                                      : -1;
        if (digit < 0) {
            return std::nullopt;
        }
        value = value * 16 + digit;
    }
    return value;
}

void AppendBlock(std::string& line, int32_t block) {
    char text[8];
    if (block < 0 || block > 0xFFFF) {
        line += "----";
        return;
    }
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(block));
    line += text;
}

// A line as its text, less a CR of a CR LF end and trailing spaces.
std::string_view WithoutLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
        line.remove_suffix(1);
    }
    return line;
}

bool IsFieldSeparator(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

std::optional<HostGroupRecord> ParseGroupLine(std::string_view line) {
    line = WithoutLineEnd(line);
    if (line.size() < kGroupTextLength || line[4] != ' ' || line[9] != ' ' || line[14] != ' ') {
        return std::nullopt;
    }
    // Further fields, such as a decoder's time stamp, follow the fourth block after white space.
    if (line.size() > kGroupTextLength && !IsFieldSeparator(line[kGroupTextLength])) {
        return std::nullopt;
    }
    HostGroupRecord group{};
    for (int block = 0; block < 4; ++block) {
        const auto value = ParseBlock(line.substr(static_cast<std::size_t>(block) * 5, 4));
        if (!value) {
            return std::nullopt;
        }
        group.fields[kBlock1 + block] = *value;
    }
    return group;
}

bool IsBlankOrComment(std::string_view line) {
    const std::string_view text = WithoutLineEnd(line);
    return text.empty() || text[0] == '#';
}

GroupFile ReadGroups(std::istream& in) {
    GroupFile file;
    std::string line;
    while (std::getline(in, line)) {
        if (IsBlankOrComment(line)) {
            continue;
        }
        if (auto group = ParseGroupLine(line)) {
            file.groups.push_back(*group);
        } else {
            ++file.rejectedLines;
        }
    }
    return file;
}

std::string FormatGroupLine(const HostGroupRecord& group) {
    std::string line;
    for (int block = 0; block < 4; ++block) {
        if (block > 0) {
            line += ' ';
        }
        AppendBlock(line, group.fields[kBlock1 + block]);
    }
    return line;
}

std::vector<HostGroupRecord> SampleGroups(int count) {
    return SampleStationGroups(count);
}
