#include "group_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <map>
#include <sstream>
#include <utility>
#include <vector>

#include "sample_station.h"

namespace {

TEST(GroupText, ParsesFourHexBlocksAndMissingBlocks) {
    const auto group = ParseGroupLine("6204 0130 966b ----\r");
    ASSERT_TRUE(group.has_value());
    EXPECT_EQ(group->fields[3], 0x6204);
    EXPECT_EQ(group->fields[4], 0x0130);
    EXPECT_EQ(group->fields[5], 0x966B);
    EXPECT_EQ(group->fields[6], -1);
}

TEST(GroupText, RejectsLinesThatAreNoGroup) {
    for (const char* line :
         {"", "6204 0130 966B", "6204  130 966B 594C", "62G4 0130 966B 594C",
          "#S1 6204 0130 966B 594C", "---- ---- ---", "6204 0130 966B 594C5",
          "6204 0130 966B 594Cx 12.5", "6204 0130 966B 594C\v1", "6204 0130 966B 594C-",
          "12:00:01 6204 0130 966B 594C", "6204 0130 966B 594C0 0000"}) {
        EXPECT_FALSE(ParseGroupLine(line).has_value()) << line;
    }
}

// Each of the three separators between the blocks is one space, nothing else.
TEST(GroupText, RejectsAnyOtherSeparatorBetweenBlocks) {
    for (const char* line : {"6204-0130 966B 594C", "6204 0130-966B 594C", "6204 0130 966B-594C",
                             "6204 0130 966B_594C 7", "6204 0130 966B\t594C",
                             "6204\t0130 966B 594C", "6204 0130\t966B 594C"}) {
        EXPECT_FALSE(ParseGroupLine(line).has_value()) << line;
    }
}

// Live decoders put a time stamp or a frame count after the fourth block.
TEST(GroupText, IgnoresFurtherFieldsAfterWhiteSpace) {
    for (const char* line :
         {"6204 0130 966B 594C 0000", "6204 0130 966B 594C 2026-12-09T13:14:15.250+01:00",
          "6204 0130 966B 594C\t12.345", "6204 0130 966B 594C 1234 and more fields\r",
          "6204 0130 966B 594C \t 42  ", "6204 0130 966b 594c #17"}) {
        const auto group = ParseGroupLine(line);
        ASSERT_TRUE(group.has_value()) << line;
        EXPECT_EQ(group->fields[3], 0x6204) << line;
        EXPECT_EQ(group->fields[6], 0x594C) << line;
    }
}

TEST(GroupText, WritesEachBlockAsFourUpperCaseDigitsOrDashes) {
    HostGroupRecord group{};
    const std::vector<std::pair<std::array<int32_t, 4>, std::string>> cases = {
        {{0xFFFF, 0, 0xABCD, 0x0F0F}, "FFFF 0000 ABCD 0F0F"},
        {{0x10000, -1, 0xFFFE, 1}, "---- ---- FFFE 0001"},
        {{INT32_MIN, INT32_MAX, 0xA000, 0x9FFF}, "---- ---- A000 9FFF"}};
    for (const auto& [blocks, text] : cases) {
        std::copy(blocks.begin(), blocks.end(), group.fields + 3);
        EXPECT_EQ(FormatGroupLine(group), text);
    }
}

TEST(GroupText, ReadsAFileSkippingCommentsAndCountingBadLines) {
    std::istringstream in("# station\n6204 0130 966B 594C\nnonsense\n\n---- 2400 0000 FFFF\n");
    const GroupFile file = ReadGroups(in);
    ASSERT_EQ(file.groups.size(), 2u);
    EXPECT_EQ(file.rejectedLines, 1);
    EXPECT_EQ(file.groups[1].fields[3], -1);
}

TEST(GroupText, BlankAndCommentLinesWithCrLfEndsAreNotRejected) {
    std::istringstream in("# capture\r\n6204 0130 966B 594C\r\n\r\n \r\n---- 2400 0000 FFFF\r\n");
    const GroupFile file = ReadGroups(in);
    EXPECT_EQ(file.groups.size(), 2u);
    EXPECT_EQ(file.rejectedLines, 0);
}

TEST(GroupText, SampleGroupsSurviveARoundTrip) {
    const auto samples = SampleGroups(100);
    ASSERT_EQ(samples.size(), 100u);
    for (const HostGroupRecord& group : samples) {
        const auto parsed = ParseGroupLine(FormatGroupLine(group));
        ASSERT_TRUE(parsed.has_value());
        for (int block = 3; block < 7; ++block) {
            EXPECT_EQ(parsed->fields[block], group.fields[block]);
        }
    }
}

// A decoder fed the sample assembles the station's name and RadioText, and finds every
// service the station announces, and some blocks received in error.
TEST(SampleStation, CarriesEachServiceAndDecodesToItsTexts) {
    std::string ps(8, '?');
    std::string radioText(52, '?');
    std::map<int, int> types;
    int errors = 0;
    for (const HostGroupRecord& group : SampleStationGroups(684)) {
        const int32_t* block = &group.fields[3];
        if (std::any_of(block, block + 4, [](int32_t b) { return b < 0; })) {
            ++errors;
            continue;
        }
        const int type = block[1] >> 11;  // group type and version, 0 = 0A
        ++types[type];
        const auto text = [](std::string& into, std::size_t at, int32_t word) {
            into[at] = static_cast<char>(word >> 8);
            into[at + 1] = static_cast<char>(word & 0xFF);
        };
        if (type == 0) {
            text(ps, static_cast<std::size_t>(block[1] & 3) * 2, block[3]);
        } else if (type == 4) {
            text(radioText, static_cast<std::size_t>(block[1] & 15) * 4, block[2]);
            text(radioText, static_cast<std::size_t>(block[1] & 15) * 4 + 2, block[3]);
        }
    }
    EXPECT_EQ(ps, "TOLVANE ");
    EXPECT_EQ(radioText.substr(0, radioText.find('\r')),
              "Tolvane sample station: traffic news on the hour");
    for (const int type : {0, 2, 4, 6, 8, 16}) {  // 0A, 1A, 2A, 3A, 4A, 8A
        EXPECT_GT(types[type], 0) << "type index " << type;
    }
    EXPECT_GT(errors, 10);
}

}  // namespace
