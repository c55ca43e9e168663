#include "main_job_check.h"

#include <gtest/gtest.h>

namespace {

using main_job::ExpectedLines;
using main_job::Judge;
using main_job::Selection;

HostGroupRecord G(int32_t pi, int32_t b2, int32_t b3, int32_t b4) {
    return {{0, 0, 0, pi, b2, b3, b4}};
}

TEST(MainJobCheck, ExpectsTheSelectedValidGroupsWithKeepMasksAndPiCommands) {
    const std::vector<HostGroupRecord> fed = {
        G(0xD3A7, 0x87FF, 1, 2),   // 8A, every bit below the version set
        G(0xD3A7, 0x0400, 3, 4),   // 0A: not selected
        G(-1, 0x8000, 5, 6),       // PI block in error: the last PI stays
        G(0x1234, 0x8000, -1, 6),  // block 3 in error: dropped
        G(0x1234, 0x8000, 7, 8),
    };
    Selection selection{*main_job::ParseTypes("8A"), false, true, true};
    EXPECT_EQ(ExpectedLines(fed, selection),
              (std::vector<std::string>{"D3A7 801F 0001 0002", "D3A7 8000 0005 0006",
                                        "1234 8000 0007 0008"}));
    selection.keepPi = true;
    selection.keepPty = selection.keepTp = false;
    EXPECT_EQ(ExpectedLines(fed, selection).front(), "---- 87FF 0001 0002");
    EXPECT_FALSE(main_job::ParseTypes("8A,16A").has_value());
}

TEST(MainJobCheck, PassesOnlyTheWholeListInOrder) {
    const std::vector<std::string> expected = {"a", "b", "c"};
    EXPECT_TRUE(Judge(expected, {"a", "b", "c"}).pass);
    EXPECT_EQ(Judge(expected, {"a", "c", "b"}).text,
              "FAIL: group 2 reached the encoder as \"c\", expected \"b\"");
    EXPECT_EQ(Judge(expected, {"a", "b"}).text, "FAIL: 2 of 3 selected groups reached the encoder");
    EXPECT_FALSE(Judge(expected, {"a", "b", "c", "c"}).pass);
}

TEST(MainJobCheck, FailsAPassingGroupRecordWhenTheEncoderCountedSenderFaults) {
    const main_job::Verdict pass = Judge({"a"}, {"a"});
    EXPECT_TRUE(main_job::JudgeWithSenderFaults(pass, {}).pass);
    EXPECT_EQ(main_job::JudgeWithSenderFaults(pass, {"malformed lines: 2", "cut commands: 1"}).text,
              "FAIL: the groups arrived, but the encoder counted malformed lines: 2, cut "
              "commands: 1");
    const main_job::Verdict missing = Judge({"a"}, {});
    EXPECT_EQ(main_job::JudgeWithSenderFaults(missing, {"cut commands: 1"}).text, missing.text);
}

}  // namespace
