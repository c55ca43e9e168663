#include "main_job_check.h"

#include <cstdio>

namespace main_job {
namespace {

bool IsBlock(int32_t value) {
    return value >= 0 && value <= 0xFFFF;
}

std::string Word(int32_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(value));
    return text;
}

std::optional<int> TypeIndex(std::string_view name) {
    if (name.size() < 2 || (name.back() != 'A' && name.back() != 'B')) {
        return std::nullopt;
    }
    int type = 0;
    for (const char c : name.substr(0, name.size() - 1)) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        type = type * 10 + (c - '0');
        if (type > 15) {
            return std::nullopt;
        }
    }
    return type * 2 + (name.back() == 'B' ? 1 : 0);
}

}  // namespace

std::optional<std::array<bool, 32>> ParseTypes(std::string_view names) {
    std::array<bool, 32> types{};
    while (!names.empty()) {
        const std::size_t comma = names.find(',');
        const auto index = TypeIndex(names.substr(0, comma));
        if (!index) {
            return std::nullopt;
        }
        types[static_cast<std::size_t>(*index)] = true;
        names.remove_prefix(comma == std::string_view::npos ? names.size() : comma + 1);
    }
    return types;
}

std::vector<std::string> ExpectedLines(const std::vector<HostGroupRecord>& fed,
                                       const Selection& selection) {
    std::vector<std::string> lines;
    int64_t lastSentPi = 0;  // the plug-in starts as if PI 0 had been sent
    std::string piText = "----";
    for (const HostGroupRecord& group : fed) {
        const int32_t pi = group.fields[3];
        int32_t block2 = group.fields[4];
        if (!IsBlock(block2) || !IsBlock(group.fields[5]) || !IsBlock(group.fields[6]) ||
            !selection.types[static_cast<std::size_t>(block2 >> 11)]) {
            continue;
        }
        if (pi >= 0 && !selection.keepPi && pi != lastSentPi) {
            if (pi <= 0xFFFF) {
                piText = Word(pi);
            }
            lastSentPi = pi;
        }
        block2 &= selection.keepPty ? 0xFC1F : 0xFFFF;
        block2 &= selection.keepTp ? 0xFBFF : 0xFFFF;
        lines.push_back(piText + ' ' + Word(block2) + ' ' + Word(group.fields[5]) + ' ' +
                        Word(group.fields[6]));
    }
    return lines;
}

Verdict Judge(const std::vector<std::string>& expected, const std::vector<std::string>& received) {
    const std::string counts = std::to_string(received.size()) + " of " +
                               std::to_string(expected.size()) + " selected groups";
    for (std::size_t i = 0; i < expected.size() && i < received.size(); ++i) {
        if (expected[i] != received[i]) {
            return {false, "FAIL: group " + std::to_string(i + 1) + " reached the encoder as \"" +
                               received[i] + "\", expected \"" + expected[i] + "\""};
        }
    }
    if (received.size() != expected.size()) {
        return {false, "FAIL: " + counts + " reached the encoder"};
    }
    return {true, "PASS: all " + counts.substr(counts.find("of ") + 3) +
                      " reached the encoder in order and bit-exact after the keep masks"};
}

Verdict JudgeWithSenderFaults(Verdict groups, const std::vector<std::string>& senderFaults) {
    if (!groups.pass || senderFaults.empty()) {
        return groups;
    }
    std::string text = "FAIL: the groups arrived, but the encoder counted ";
    for (std::size_t i = 0; i < senderFaults.size(); ++i) {
        text += (i == 0 ? "" : ", ") + senderFaults[i];
    }
    return {false, text};
}

}  // namespace main_job
