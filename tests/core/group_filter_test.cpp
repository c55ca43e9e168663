#include "pipeline/group_filter.h"

#include <gtest/gtest.h>

#include <string>

using namespace group_filter;

namespace {

RdsGroupRecord Blocks(int32_t b2, int32_t b3, int32_t b4) {
    return {0, 0, 0, 0x1234, b2, b3, b4};
}

const std::string kAny(kEmptyCellText);

TEST(RdsGroupRecord, GroupTypeIndexFollowsBlock2) {
    EXPECT_EQ(GroupTypeIndex(Blocks(0, 0, 0)), 0);
    EXPECT_EQ(GroupTypeIndex(Blocks(2048, 0, 0)), 1);
    EXPECT_EQ(GroupTypeIndex(Blocks(4096, 0, 0)), 2);
    EXPECT_EQ(GroupTypeIndex(Blocks(65535, 0, 0)), 31);
    EXPECT_EQ(GroupTypeName(0), "0A");
    EXPECT_EQ(GroupTypeName(1), "0B");
    EXPECT_EQ(GroupTypeName(31), "15B");
}

TEST(RdsGroupRecord, BlockValidityIsTheSixteenBitRange) {
    EXPECT_TRUE(IsValidBlock(0));
    EXPECT_TRUE(IsValidBlock(65535));
    EXPECT_FALSE(IsValidBlock(65536));
    EXPECT_FALSE(IsValidBlock(-1));
    EXPECT_FALSE(IsValidBlock(INT32_MIN));
}

TEST(RdsGroupRecord, CopiesTheHostBytesFromAnUnalignedAddress) {
    alignas(8) unsigned char raw[29] = {};
    const RdsGroupRecord original{1, -2, 3, -1, 65535, 65536, 7};
    std::memcpy(raw + 1, &original, sizeof original);
    EXPECT_EQ(CopyGroupRecord(raw + 1), original);
}

TEST(OverwriteAt, LaysTheInsertOverTheBase) {
    EXPECT_EQ(OverwriteAt("abcdefgh", "XY", 1), "XYcdefgh");
    EXPECT_EQ(OverwriteAt("abcdefgh", "XY", 4), "abcXYfgh");
    EXPECT_EQ(OverwriteAt("abcdefgh", "", 3), "abcdefgh");
}

TEST(OverwriteAt, UsesOnlyTheFirstSixteenCharactersOfTheInsert) {
    const std::string base(48, '?');
    const std::string seventeen = "01010101010101011";
    const std::string result = OverwriteAt(base, seventeen, 17);
    EXPECT_EQ(result.size(), 48u);
    EXPECT_EQ(result.substr(16, 16), seventeen.substr(0, 16));
    EXPECT_EQ(result.substr(32), std::string(16, '?'));
}

TEST(OverwriteAt, SurvivesAHugeInsertAndOddPositions) {
    const std::string huge(10000, '1');
    EXPECT_EQ(OverwriteAt(std::string(48, '?'), huge, 33),
              std::string(32, '?') + std::string(16, '1'));
    EXPECT_NO_THROW((void)OverwriteAt("abc", huge, 0));
    EXPECT_NO_THROW((void)OverwriteAt("abc", huge, 100));
    EXPECT_NO_THROW((void)OverwriteAt("", "", -5));
}

TEST(GroupBitText, WritesEachValidBlockAsSixteenBitsAndInvalidOnesAsHyphens) {
    EXPECT_EQ(GroupBitText(Blocks(0x2400, 0xFFFF, 0)),
              "0010010000000000"
              "1111111111111111"
              "0000000000000000");
    EXPECT_EQ(GroupBitText(Blocks(1, -1, 65536)),
              "0000000000000001"
              "----------------"
              "----------------");
}

TEST(MaskText, PlacesTheCellsAtTheirBlocksAndLeavesTheRestOpen) {
    EXPECT_EQ(MaskText({"0010", "", "1"}),
              "0010????????????"
              "????????????????"
              "1???????????????");
    EXPECT_EQ(MaskText({"", "", ""}), std::string(48, '?'));
}

struct MaskCase {
    const char* name;
    MaskCells cells;
    RdsGroupRecord group;
    bool matches;
};

class MaskRowMatchesCase : public ::testing::TestWithParam<MaskCase> {};

TEST_P(MaskRowMatchesCase, Decides) {
    const MaskCase& c = GetParam();
    EXPECT_EQ(MaskRowMatches(c.group, c.cells), c.matches) << c.name;
}

const std::string kType2Prefix = "0010????????????";
const std::string kSeventeen = "00100000000000001";

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, MaskRowMatchesCase,
    ::testing::Values(
        MaskCase{"type2A", {kType2Prefix, kAny, kAny}, Blocks(0x2400, 0, 0), true},
        MaskCase{"type2B", {kType2Prefix, kAny, kAny}, Blocks(0x2C00, 0, 0), true},
        MaskCase{"type0A", {kType2Prefix, kAny, kAny}, Blocks(0x0400, 0, 0), false},
        MaskCase{"block4Bit15Set", {"", "", "1"}, Blocks(0, 0, 32768), true},
        MaskCase{"block4Bit15Clear", {"", "", "1"}, Blocks(0, 0, 32767), false},
        MaskCase{"hyphenNeverMatchesValid", {"-", "", ""}, Blocks(0, 0, 0), false},
        MaskCase{"hyphenMatchesInvalid", {"", "-", ""}, Blocks(0, -1, 0), true},
        MaskCase{"lettersAndSpacesMatchAnything",
                 {"xXa ?xXa ?xXa ?x", "", ""},
                 Blocks(0xFFFF, 0, 0),
                 true},
        MaskCase{
            "lettersAndSpacesMatchZeroes", {"xXa ?xXa ?xXa ?x", "", ""}, Blocks(0, 0, 0), true},
        MaskCase{
            "seventeenthCharacterIgnored", {kSeventeen, "1", ""}, Blocks(0x2000, 0x8000, 0), true},
        MaskCase{"otherBlocksKeepTheirPositions",
                 {kSeventeen, "1", ""},
                 Blocks(0x2000, 0x0001, 0),
                 false},
        MaskCase{"emptyRowMatchesEverything", {"", "", ""}, Blocks(12345, 6789, 1011), true},
        MaskCase{"exactBlockMatch",
                 {"0110001000000100", "0000000100000010", "1111111111111111"},
                 Blocks(0x6204, 0x0102, 0xFFFF),
                 true},
        MaskCase{
            "laterMismatchStillRejects", {"", "", "???????????????0"}, Blocks(0, 0, 1), false}),
    [](const ::testing::TestParamInfo<MaskCase>& p) { return std::string(p.param.name); });

TEST(MaskRowMatches, SurvivesATenThousandCharacterCell) {
    const std::string huge(10000, '1');
    EXPECT_TRUE(MaskRowMatches(Blocks(0xFFFF, 0, 0), {huge, "", ""}));
    EXPECT_FALSE(MaskRowMatches(Blocks(0xFFFE, 0, 0), {huge, "", ""}));
}

struct CellTextCase {
    const char* name;
    std::string_view utf8;
    std::string_view bits;
    std::size_t characters;
};

class MaskCellTextCase : public ::testing::TestWithParam<CellTextCase> {};

// A cell's text arrives in UTF-8: a character of two, three or four bytes is one position and
// reads as "?", so a "1" after it still tests the next bit.
TEST_P(MaskCellTextCase, ReadsOnePositionPerCharacter) {
    EXPECT_EQ(MaskCellBits(GetParam().utf8), GetParam().bits);
    EXPECT_EQ(CharacterCount(GetParam().utf8), GetParam().characters);
}

INSTANTIATE_TEST_SUITE_P(MaskCellBits, MaskCellTextCase,
                         ::testing::Values(CellTextCase{"empty", "", "", 0},
                                           CellTextCase{"ascii", "01-?x", "01-?x", 5},
                                           CellTextCase{"twoBytes",
                                                        "\xc3\xa9"
                                                        "1",
                                                        "?1", 2},
                                           CellTextCase{"threeBytes",
                                                        "0\xe2\x82\xac"
                                                        "1",
                                                        "0?1", 3},
                                           CellTextCase{"fourBytes",
                                                        "\xf0\x9f\x98\x80"
                                                        "1\xf0\x9f\x98\x80",
                                                        "?1?", 3}),
                         [](const ::testing::TestParamInfo<CellTextCase>& p) {
                             return std::string(p.param.name);
                         });

TEST(MaskKeyAccepted, RefusesASeventeenthCharacterButNotBackspace) {
    EXPECT_TRUE(MaskKeyAccepted(0, u'1'));
    EXPECT_TRUE(MaskKeyAccepted(15, u'1'));
    EXPECT_FALSE(MaskKeyAccepted(16, u'1'));
    EXPECT_TRUE(MaskKeyAccepted(16, kBackspace));
    EXPECT_FALSE(MaskKeyAccepted(10000, u'?'));
}

}  // namespace
