#include "feed_schedule.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

namespace {

FeedSchedule Schedule(double rate, double quitAfter, double waitSent) {
    FeedSchedule::Options options;
    options.rate = rate;
    options.quitAfter = quitAfter;
    options.waitSent = waitSent;
    return FeedSchedule(options);
}

TEST(FeedSchedule, GivesEveryGroupAtOnceAtRateZero) {
    const FeedSchedule schedule = Schedule(0, -1, 0);
    EXPECT_EQ(schedule.Due(0, 342), 342u);
}

TEST(FeedSchedule, GivesTheFirstGroupAtOnceAndTheNextOnePerPeriod) {
    const FeedSchedule schedule = Schedule(10, -1, 0);
    EXPECT_EQ(schedule.Due(0, 50), 1u);
    EXPECT_EQ(schedule.Due(99, 50), 1u);
    EXPECT_EQ(schedule.Due(100, 50), 2u);
    EXPECT_EQ(schedule.Due(1000, 50), 11u);
    EXPECT_EQ(schedule.Due(3600000, 50), 50u);
}

TEST(FeedSchedule, KeepsRunningWhileInputRemainsOrTheWindowIsShown) {
    FeedSchedule schedule = Schedule(0, -1, 0);
    EXPECT_FALSE(schedule.ShouldFinish(10000, false, false, true));
    EXPECT_FALSE(schedule.ShouldFinish(10000, true, true, true));
    EXPECT_TRUE(schedule.ShouldFinish(10000, true, false, true));
}

TEST(FeedSchedule, EndsOnceTheQueueHasStayedEmptyForTheSettleTime) {
    FeedSchedule schedule = Schedule(0, -1, 60);
    EXPECT_FALSE(schedule.ShouldFinish(1000, true, false, true));
    EXPECT_FALSE(schedule.ShouldFinish(1000 + FeedSchedule::kSettleMs - 1, true, false, true));
    EXPECT_TRUE(schedule.ShouldFinish(1000 + FeedSchedule::kSettleMs, true, false, true));
}

// A queue that fills again (the plug-in paces its sending) starts the settle time anew.
TEST(FeedSchedule, StartsTheSettleTimeAnewWhenTheQueueFillsAgain) {
    FeedSchedule schedule = Schedule(0, -1, 60);
    EXPECT_FALSE(schedule.ShouldFinish(0, true, false, true));
    EXPECT_FALSE(schedule.ShouldFinish(400, true, false, false));
    EXPECT_FALSE(schedule.ShouldFinish(600, true, false, true));
    EXPECT_FALSE(schedule.ShouldFinish(1099, true, false, true));
    EXPECT_TRUE(schedule.ShouldFinish(1100, true, false, true));
}

// The wait counts from the moment the input was done, not from the start of feeding.
TEST(FeedSchedule, EndsWhenTheWaitForTheQueueRunsOutEvenWithGroupsWaiting) {
    FeedSchedule schedule = Schedule(0, -1, 2);
    EXPECT_FALSE(schedule.ShouldFinish(5000, false, false, false));
    EXPECT_FALSE(schedule.ShouldFinish(6000, true, false, false));
    EXPECT_FALSE(schedule.ShouldFinish(7999, true, false, false));
    EXPECT_TRUE(schedule.ShouldFinish(8000, true, false, false));
}

TEST(FeedSchedule, EndsAtQuitAfterWhateverTheInputAndTheWindow) {
    FeedSchedule schedule = Schedule(0, 1.5, 0);
    EXPECT_FALSE(schedule.ShouldFinish(1499, false, true, false));
    EXPECT_TRUE(schedule.ShouldFinish(1500, false, true, false));
}

// With a time to quit given, the end of the input does not end the host before it.
TEST(FeedSchedule, WaitsForQuitAfterWhenTheInputEndsFirst) {
    FeedSchedule schedule = Schedule(0, 10, 0);
    EXPECT_FALSE(schedule.ShouldFinish(0, true, false, true));
    EXPECT_FALSE(schedule.ShouldFinish(9000, true, false, true));
    EXPECT_TRUE(schedule.ShouldFinish(10000, true, false, true));
}

TEST(FeedSchedule, ReadsTheWaitingLabelAsEmptyOnlyAtZeroOrWithoutANumber) {
    const struct {
        const char* text;
        bool empty;
    } cases[] = {{"0", true},  {"", true},    {"-", true},    {" 0 ", true},
                 {"1", false}, {"12", false}, {" 3 ", false}, {"1000000", false}};
    for (const auto& row : cases) {
        EXPECT_EQ(WaitingLabelShowsEmpty(row.text), row.empty) << '"' << row.text << '"';
    }
}

TEST(FeedSchedule, TakesQuitAfterFromZeroToTheLongestTimeTheTimerHolds) {
    const struct {
        const char* text;
        bool accepted;
    } cases[] = {{"0", true},           {"0.1", true},      {"2147483", true},
                 {"2147483.647", true}, {"2147484", false}, {"2147483.648", false},
                 {"1e12", false},       {"-1", false},      {"-0.5", false},
                 {"nan", false},        {"inf", false},     {"soon", false},
                 {"", false},           {"1s", false}};
    for (const auto& row : cases) {
        const std::optional<double> seconds = ParseSeconds(row.text);
        EXPECT_EQ(seconds && QuitAfterInRange(*seconds), row.accepted) << '"' << row.text << '"';
    }
}

}  // namespace
