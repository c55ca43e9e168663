// Group text from a decoder, a file or standard input.
// Properties: a line that parses formats back to a line that parses to the same blocks; the
// stream reader gives the same groups and the same rejected line numbers however the bytes
// are cut into reads.
#include <cstdint>
#include <cstdlib>
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (const auto group = ParseGroupLine(bytes)) {
        const auto again = ParseGroupLine(FormatGroupLine(*group));
        Require(again.has_value());
        for (int block = 3; block < 7; ++block) {
            Require(again->fields[block] == group->fields[block]);
        }
    }
    const Trace whole = Read(bytes, bytes.size() + 1);
    const Trace pieces = Read(bytes, 1 + (size > 0 ? data[0] % 13 : 0));
    Require(whole.blocks == pieces.blocks);
    Require(whole.rejectedLines == pieces.rejectedLines);
    return 0;
}
