#include "group_stream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Seen {
    std::vector<int32_t> blocks2;
    std::vector<std::pair<int64_t, std::string>> rejected;
};

Seen ReadInChunks(const std::string& input, std::size_t chunk) {
    Seen seen;
    GroupLineReader reader;
    reader.OnGroup = [&](const HostGroupRecord& group) { seen.blocks2.push_back(group.fields[4]); };
    reader.OnRejected = [&](int64_t line, std::string_view reason) {
        seen.rejected.emplace_back(line, std::string(reason));
    };
    for (std::size_t at = 0; at < input.size(); at += chunk) {
        reader.Feed(std::string_view(input).substr(at, chunk));
    }
    reader.Finish();
    return seen;
}

// Whatever the bytes, every line is a group, skipped, or reported with its number, and the
// stream goes on; how the bytes are cut into reads changes nothing.
TEST(GroupLineReader, ReportsEachBadLineByNumberAndGoesOn) {
    const std::string input = std::string("# comment\r\n") +                 // 1 skipped
                              "6204 0001 0000 0000\r\n" +                    // 2
                              "6204 0002 0000\n" +                           // 3 three blocks
                              "6204 0003 0000 0000 12.5\n" +                 // 4 time stamp
                              "6204 0004 0000 00000\n" +                     // 5 glued field
                              "6204 00G4 0000 0000\n" +                      // 6 not hex
                              "6204 10000 000 0000\n" +                      // 7 a block above FFFF
                              std::string(1 << 20, 'x') + "\n" +             // 8 one megabyte
                              std::string("\0\xff\x01 binary", 10) + "\n" +  // 9 not text
                              "\n" +                                         // 10 blank
                              "6204 0005 0000 0000";                         // 11 no line end
    const std::vector<std::pair<int64_t, std::string>> expected = {
        {3, "not four hexadecimal blocks"},
        {5, "not four hexadecimal blocks"},
        {6, "not four hexadecimal blocks"},
        {7, "not four hexadecimal blocks"},
        {8, "line too long"},
        {9, "not four hexadecimal blocks"}};
    for (const std::size_t chunk : {std::size_t{1}, std::size_t{7}, std::size_t{1} << 22}) {
        const Seen seen = ReadInChunks(input, chunk);
        EXPECT_EQ(seen.blocks2, (std::vector<int32_t>{1, 3, 5})) << "chunk " << chunk;
        EXPECT_EQ(seen.rejected, expected) << "chunk " << chunk;
    }
}

}  // namespace
