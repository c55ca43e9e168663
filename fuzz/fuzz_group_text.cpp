// Group text from a decoder, a file or standard input.
// Properties: a line parses exactly when a plain reading of the rule accepts it (four blocks
// of four hexadecimal digits or "----" with single spaces between them, then the end of the
// line or a space or tab before further fields), to the blocks that strtol reads, and formats
// back to its first 19 characters in upper case; the stream reader gives, however the bytes
// are cut into reads, the groups and rejected line numbers of a plain split at each newline.
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "group_stream.h"
#include "group_text.h"

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

struct Trace {
    std::vector<int32_t> blocks;
    std::vector<int64_t> rejectedLines;
};

Trace Read(std::string_view bytes, std::size_t cut) {
    Trace trace;
    GroupLineReader reader;
    reader.OnGroup = [&](const HostGroupRecord& group) {
        trace.blocks.insert(trace.blocks.end(), group.fields + 3, group.fields + 7);
    };
    reader.OnRejected = [&](int64_t line, std::string_view) {
        trace.rejectedLines.push_back(line);
    };
    for (std::size_t at = 0; at < bytes.size(); at += cut) {
        reader.Feed(bytes.substr(at, cut));
    }
    reader.Finish();
    return trace;
}

std::string_view Trimmed(std::string_view line) {
    const std::size_t end = line.find_last_not_of("\r ");
    return end == std::string_view::npos ? std::string_view() : line.substr(0, end + 1);
}

std::optional<int32_t> ReferenceBlock(std::string_view field) {
    if (field == "----") {
        return -1;
    }
    for (const char c : field) {
        if (std::isxdigit(static_cast<unsigned char>(c)) == 0) {
            return std::nullopt;
        }
    }
    return static_cast<int32_t>(std::strtol(std::string(field).c_str(), nullptr, 16));
}

// The four blocks of the line by a plain reading of the rule, or nothing.
std::optional<std::vector<int32_t>> ReferenceGroup(std::string_view line) {
    line = Trimmed(line);
    if (line.size() < 19 || (line.size() > 19 && line[19] != ' ' && line[19] != '\t')) {
        return std::nullopt;
    }
    std::vector<int32_t> blocks;
    for (std::size_t at = 0; at < 19; at += 5) {
        const auto block = ReferenceBlock(line.substr(at, 4));
        if (!block || (at + 4 < 19 && line[at + 4] != ' ')) {
            return std::nullopt;
        }
        blocks.push_back(*block);
    }
    return blocks;
}

void CheckLine(std::string_view line) {
    const auto group = ParseGroupLine(line);
    const auto expected = ReferenceGroup(line);
    Require(group.has_value() == expected.has_value());
    if (!group) {
        return;
    }
    Require(std::vector<int32_t>(group->fields + 3, group->fields + 7) == *expected);
    std::string upper(Trimmed(line).substr(0, 19));
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    Require(FormatGroupLine(*group) == upper);
}

// Every line of the bytes, split at each newline; a last line without one counts when it holds
// anything.
Trace ReferenceTrace(std::string_view bytes) {
    Trace trace;
    int64_t number = 0;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        const std::string_view line = bytes.substr(0, end);
        ++number;
        const std::string_view text = Trimmed(line);
        if (line.size() > GroupLineReader::kMaxLineLength) {
            trace.rejectedLines.push_back(number);
        } else if (!text.empty() && text[0] != '#') {
            if (const auto blocks = ReferenceGroup(line)) {
                trace.blocks.insert(trace.blocks.end(), blocks->begin(), blocks->end());
            } else {
                trace.rejectedLines.push_back(number);
            }
        }
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
    }
    return trace;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckLine(bytes);
    const Trace expected = ReferenceTrace(bytes);
    const Trace whole = Read(bytes, bytes.size() + 1);
    const Trace pieces = Read(bytes, 1 + (size > 0 ? data[0] % 13 : 0));
    Require(whole.blocks == expected.blocks);
    Require(whole.rejectedLines == expected.rejectedLines);
    Require(pieces.blocks == expected.blocks);
    Require(pieces.rejectedLines == expected.rejectedLines);
    return 0;
}
