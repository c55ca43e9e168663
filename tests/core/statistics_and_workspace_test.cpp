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
            "LargestEdgesEndAtTheDesktop", {INT32_MAX, INT32_MAX, 417, 332}, {kFullHd}, 1503, 748}),
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

}  // namespace
