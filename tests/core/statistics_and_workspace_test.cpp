#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "pipeline/rate_text.h"
#include "plugin/window_placement.h"
#include "plugin/workspace_rules.h"

namespace {

struct RateCase {
    const char* name;
    int32_t count;
    const char* text;
};

class RateTextWithComma : public ::testing::TestWithParam<RateCase> {};

TEST_P(RateTextWithComma, DividesByTheNominalPeriod) {
    EXPECT_EQ(RateText(GetParam().count, 2.978F, ","), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Counts, RateTextWithComma,
    ::testing::Values(RateCase{"None", 0, "0,0"}, RateCase{"One", 1, "0,3"},
                      RateCase{"Three", 3, "1,0"}, RateCase{"ThirtyFour", 34, "11,4"},
                      RateCase{"SixDigitRate", 2'000'000, "671591,7"},
                      RateCase{"LargestBeforeTheWrap", INT32_MAX, "721116100,0"},
                      RateCase{"WrappedToNegative", INT32_MIN, "721116100,0"},
                      RateCase{"WrappedToMinusOne", -1, "1442232000,0"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(RateText, TakesASeparatorOfSeveralBytes) {
    EXPECT_EQ(RateText(34, 2.978F, "\xd9\xab"),
              "11\xd9\xab"
              "4");
}

struct PlacementCase {
    const char* name;
    ScreenRect stored;
    std::vector<ScreenRect> monitors;
    int32_t left;
    int32_t top;
};

class WindowPlacement : public ::testing::TestWithParam<PlacementCase> {};

// The window is 417 by 332; the first monitor is the primary one.
TEST_P(WindowPlacement, KeepsTheWindowOnAMonitor) {
    ScreenLayout layout{{}, GetParam().monitors, GetParam().monitors.front()};
    for (const ScreenRect& monitor : layout.monitors) {
        layout.virtualDesktop.width =
            std::max(layout.virtualDesktop.width, monitor.left + monitor.width);
        layout.virtualDesktop.height =
            std::max(layout.virtualDesktop.height, monitor.top + monitor.height);
    }
    const ScreenRect placed = PlaceRestoredWindow(GetParam().stored, layout);
    EXPECT_EQ(placed.left, GetParam().left);
    EXPECT_EQ(placed.top, GetParam().top);
    EXPECT_EQ(placed.width, 417);
}

const ScreenRect kFullHd{0, 0, 1920, 1080};
const ScreenRect kRightOfIt{1920, 0, 1280, 1024};

INSTANTIATE_TEST_SUITE_P(
    Layouts, WindowPlacement,
    ::testing::Values(
        PlacementCase{"DefaultOnOneScreen", {63, 185, 417, 332}, {kFullHd}, 63, 185},
        PlacementCase{"BelowTheDesktopMovesUp", {63, 1050, 417, 332}, {kFullHd}, 63, 748},
        PlacementCase{"RightOfTheDesktopMovesLeft", {3000, 100, 417, 332}, {kFullHd}, 1503, 100},
        PlacementCase{
            "OnTheSecondMonitorStays", {2500, 600, 417, 332}, {kFullHd, kRightOfIt}, 2500, 600},
        PlacementCase{"InTheGapBelowTheSmallerMonitorIsCentred",
                      {2500, 1000, 417, 332},
                      {kFullHd, kRightOfIt},
                      751,
                      374},
        PlacementCase{
            "NegativeAndOffScreenIsCentred", {-1000, -500, 417, 332}, {kFullHd}, 751, 374},
        PlacementCase{
            "SlightlyNegativeButVisibleStays", {-300, -200, 417, 332}, {kFullHd}, -300, -200},
        PlacementCase{
            "MostNegativeEdgesAreCentred", {INT32_MIN, INT32_MIN, 417, 332}, {kFullHd}, 751, 374},
        PlacementCase{
            "LargestEdgesEndAtTheDesktop", {INT32_MAX, INT32_MAX, 417, 332}, {kFullHd}, 1503, 748},
        // 50 pixels of overlap is not enough; 51 is.
        PlacementCase{
            "OverlapOfExactlyFiftyLeftIsCentred", {-367, 100, 417, 332}, {kFullHd}, 751, 374},
        PlacementCase{"OverlapOfFiftyOneLeftStays", {-366, 100, 417, 332}, {kFullHd}, -366, 100},
        PlacementCase{
            "OverlapOfExactlyFiftyAboveIsCentred", {100, -282, 417, 332}, {kFullHd}, 751, 374},
        PlacementCase{"OverlapOfFiftyOneAboveStays", {100, -281, 417, 332}, {kFullHd}, 100, -281},
        // A top edge 50 pixels above the desktop's bottom is not moved, and then overlaps by
        // only 50; one pixel lower, it is moved up to end at the bottom.
        PlacementCase{
            "TopExactlyFiftyAboveTheBottomIsCentred", {63, 1030, 417, 332}, {kFullHd}, 751, 374},
        PlacementCase{
            "TopFortyNineAboveTheBottomMovesUp", {63, 1031, 417, 332}, {kFullHd}, 63, 748},
        PlacementCase{"LeftExactlyFiftyBeforeTheRightEdgeIsCentred",
                      {1870, 100, 417, 332},
                      {kFullHd},
                      751,
                      374},
        PlacementCase{"LeftFortyNineBeforeTheRightEdgeMovesLeft",
                      {1871, 100, 417, 332},
                      {kFullHd},
                      1503,
                      100},
        // The primary screen is the first monitor; centring uses its own origin.
        PlacementCase{"CentredOnAPrimaryScreenAwayFromTheOrigin",
                      {-1000, -500, 417, 332},
                      {{1920, 56, 1280, 1024}, kFullHd},
                      2351,
                      402}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(WorkspaceRestore, ClampsRadioItemsAndDropsPortsOutsideTheList) {
    EXPECT_EQ(workspace::RadioItemIndex(7, 3), 2);
    EXPECT_EQ(workspace::RadioItemIndex(INT32_MAX, 5), 4);
    EXPECT_EQ(workspace::RadioItemIndex(1, 3), 1);
    EXPECT_EQ(workspace::RadioItemIndex(-1, 3), -1);
    EXPECT_EQ(workspace::RadioItemIndex(INT32_MIN, 3), -1);
    EXPECT_EQ(workspace::PortItemIndex(254), 254);
    EXPECT_EQ(workspace::PortItemIndex(255), -1);
    EXPECT_EQ(workspace::PortItemIndex(-2), -1);
}

TEST(SettingsBuffer, KeepsAtMost255BytesAndNoBrokenCharacter) {
    workspace::SettingsBuffer buffer;
    workspace::CopyToSettingsBuffer(std::string(100000, 'm'), buffer);
    EXPECT_EQ(std::string(buffer.data()), std::string(255, 'm'));
    // 254 ASCII bytes, then a two-byte character that would end at byte 256.
    workspace::CopyToSettingsBuffer(std::string(254, 'a') + "\xc3\xa9", buffer);
    EXPECT_EQ(std::string(buffer.data()), std::string(254, 'a'));
    workspace::CopyToSettingsBuffer("?=;#\"\\ ", buffer);
    EXPECT_EQ(std::string(buffer.data()), "?=;#\"\\ ");
}

// A text that is not UTF-8 is one character per byte, so its cut falls at byte 255 whatever
// the bytes look like, also bytes that would be UTF-8 continuation bytes.
TEST(SettingsBuffer, CutsATextThatIsNotUtf8AtByte255) {
    workspace::SettingsBuffer buffer;
    for (const std::string& text :
         {std::string(300, '\xb0'), std::string(254, 'a') + "\xe9\xe9",
          "\xe9" + std::string(254, '\x80') + "\xbf", std::string(254, 'a') + "\xc3\xa9\xff"}) {
        workspace::CopyToSettingsBuffer(text, buffer);
        EXPECT_EQ(std::string(buffer.data()), text.substr(0, 255)) << text.substr(250);
    }
}

struct Utf8Case {
    const char* name;
    const char* text;
    bool utf8;
};

class StoredTextEncoding : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(StoredTextEncoding, TellsWellFormedUtf8FromOtherBytes) {
    EXPECT_EQ(workspace::IsUtf8(GetParam().text), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StoredTextEncoding,
    ::testing::Values(Utf8Case{"Empty", "", true}, Utf8Case{"Ascii", "127.0.0.1", true},
                      Utf8Case{"TwoByte", "\xc3\xa9t\xc3\xa9", true},
                      Utf8Case{"ThreeByte", "\xe2\x82\xac", true},
                      Utf8Case{"FourByteHighest", "\xf4\x8f\xbf\xbf", true},
                      Utf8Case{"Latin1Letter", "\xe9t\xe9.example", false},
                      Utf8Case{"LoneContinuation", "10\xb0?", false},
                      Utf8Case{"CutAtTheEnd", "a\xc3", false},
                      Utf8Case{"OverlongSlash", "\xc0\xaf", false},
                      Utf8Case{"OverlongThreeByte", "\xe0\x80\xaf", false},
                      Utf8Case{"Surrogate", "\xed\xa0\x80", false},
                      Utf8Case{"AboveTheLastCharacter", "\xf4\x90\x80\x80", false},
                      Utf8Case{"ByteFF", "7\xff", false}),
    [](const auto& p) { return std::string(p.param.name); });

struct DisplayCase {
    const char* name;
    const char* stored;
    const char* shown;  // as UTF-8
};

class StoredTextDisplay : public ::testing::TestWithParam<DisplayCase> {};

TEST_P(StoredTextDisplay, ShowsUtf8AsItIsAndOtherBytesAsWindows1252) {
    EXPECT_EQ(workspace::DisplayText(GetParam().stored), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StoredTextDisplay,
    ::testing::Values(
        DisplayCase{"Utf8Unchanged", "\xc3\xa9t\xc3\xa9", "\xc3\xa9t\xc3\xa9"},
        DisplayCase{"Latin1Letters", "\xe9t\xe9.example", "\xc3\xa9t\xc3\xa9.example"},
        DisplayCase{"Degree", "10\xb0?", "10\xc2\xb0?"},
        DisplayCase{"LastByte", "7\xff", "7\xc3\xbf"},
        DisplayCase{"EuroSign", "\x80", "\xe2\x82\xac"},
        DisplayCase{"UnassignedByteIsItsControlCharacter", "\x81\x9d", "\xc2\x81\xc2\x9d"},
        DisplayCase{"LastOfTheTable", "\x9f", "\xc5\xb8"},
        DisplayCase{"NoBreakSpace", "\xa0", "\xc2\xa0"},
        DisplayCase{"AsciiInANonUtf8Text", "a\xe9z", "a\xc3\xa9z"}),
    [](const auto& p) { return std::string(p.param.name); });

// A restored field holds at most 255 characters: of a UTF-8 text whole characters, of any
// other text bytes.
TEST(StoredText, FirstCharactersCountsCharactersOfItsOwnReading) {
    const std::string emoji = "\xf0\x9f\x98\x80";
    std::string manyEmoji;
    for (int i = 0; i < 300; ++i) {
        manyEmoji += emoji;
    }
    EXPECT_EQ(workspace::FirstCharacters(manyEmoji, 255).size(), 255U * 4);
    EXPECT_EQ(workspace::FirstCharacters(std::string(300, '\xb0'), 255), std::string(255, '\xb0'));
    EXPECT_EQ(workspace::FirstCharacters("\xc3\xa9t\xc3\xa9", 2), "\xc3\xa9t");
    EXPECT_EQ(workspace::FirstCharacters("short", 255), "short");
}

TEST(RestoredText, SavesTheStoredBytesUntilTheFieldIsEdited) {
    const std::optional<workspace::RestoredText> restored =
        workspace::RestoredText{"Caf\xe9", workspace::DisplayText("Caf\xe9")};
    EXPECT_EQ(workspace::TextToSave("Caf\xc3\xa9", restored), "Caf\xe9");
    EXPECT_EQ(workspace::TextToSave("Cafe", restored), "Cafe");
    EXPECT_EQ(workspace::TextToSave("Caf\xc3\xa9", std::nullopt), "Caf\xc3\xa9");
}

}  // namespace
