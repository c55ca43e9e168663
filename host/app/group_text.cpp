#include "group_text.h"

#include <array>
#include <cctype>
#include <cstdio>

namespace {

constexpr int kBlock1 = 3;

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

}  // namespace

std::optional<HostGroupRecord> ParseGroupLine(std::string_view line) {
    line = WithoutLineEnd(line);
    if (line.size() != 19 || line[4] != ' ' || line[9] != ' ' || line[14] != ' ') {
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

GroupFile ReadGroups(std::istream& in) {
    GroupFile file;
    std::string line;
    while (std::getline(in, line)) {
        const std::string_view text = WithoutLineEnd(line);
        if (text.empty() || text[0] == '#') {
            continue;
        }
        if (auto group = ParseGroupLine(text)) {
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
    constexpr int32_t kPi = 0xD3A7;
    constexpr int32_t kPty = 10 << 5;
    constexpr std::string_view kPs = "TOLVANE ";
    constexpr std::string_view kRadioText = "Tolvane sample RadioText, made by its own code.     ";
    std::vector<HostGroupRecord> groups;
    groups.reserve(static_cast<std::size_t>(count));
    for (int n = 0; n < count; ++n) {
        HostGroupRecord group{{n, 0, 0, kPi, 0, 0, 0}};
        const int kind = n % 10;
        if (kind < 4) {  // 0A: programme service name, two characters per group
            const auto segment = static_cast<std::size_t>(n % 4);
            group.fields[4] = (0 << 12) | kPty | static_cast<int32_t>(segment);
            group.fields[5] = 0xE0CD;
            group.fields[6] = (kPs[segment * 2] << 8) | kPs[segment * 2 + 1];
        } else if (kind < 8) {  // 2A: RadioText, four characters per group
            const auto segment = static_cast<std::size_t>((n / 10 * 4 + kind - 4) % 13);
            group.fields[4] = (2 << 12) | kPty | static_cast<int32_t>(segment);
            group.fields[5] = (kRadioText[segment * 4] << 8) | kRadioText[segment * 4 + 1];
            group.fields[6] = (kRadioText[segment * 4 + 2] << 8) | kRadioText[segment * 4 + 3];
        } else if (kind == 8) {  // 4A: clock time
            group.fields[4] = (4 << 12) | kPty | 0x0001;
            group.fields[5] = 0xD2A4;
            group.fields[6] = 0x6A40;
        } else {  // 1A with its block 3 received in error
            group.fields[4] = (1 << 12) | kPty;
            group.fields[5] = -1;
            group.fields[6] = 0x0000;
        }
        groups.push_back(group);
    }
    return groups;
}
