#include "group_text.h"

#include <gtest/gtest.h>

#include <sstream>

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
         {"", "6204 0130 966B", "6204 0130 966B 594C 0000", "6204  130 966B 594C",
          "62G4 0130 966B 594C", "#S1 6204 0130 966B 594C", "---- ---- ---"}) {
        EXPECT_FALSE(ParseGroupLine(line).has_value()) << line;
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
    int errors = 0;
    for (const HostGroupRecord& group : samples) {
        const auto parsed = ParseGroupLine(FormatGroupLine(group));
        ASSERT_TRUE(parsed.has_value());
        for (int block = 3; block < 7; ++block) {
            EXPECT_EQ(parsed->fields[block], group.fields[block]);
        }
        errors += group.fields[5] < 0 ? 1 : 0;
    }
    EXPECT_EQ(errors, 10);
}

}  // namespace
