#include <gmock/gmock.h>

#include <QLabel>
#include <QPushButton>
#include <climits>

#include "support/plugin_fixture.h"

namespace {

constexpr int kMask1 = 32;
constexpr int kMask2 = 33;
const QString kAny = QStringLiteral("????????????????");

class PluginIntake : public PluginTest {
protected:
    void SendMany(int count, int32_t block2 = 0x2400) const {
        for (int n = 0; n < count; ++n) {
            Send(Group(0x6204, block2, n & 0xFFFF, 0));
        }
    }
};

TEST_F(PluginIntake, QueuedGroupUpdatesOnlyReceivedAndWaiting) {
    Tick(4);  // 2A
    Send(Group(0x6204, 0x2400, 0x1234, 0x5678));
    EXPECT_EQ(Text("LR"), "1");
    EXPECT_EQ(Text("LW"), "1");
    EXPECT_EQ(Text("LE"), "LE");
    EXPECT_EQ(Text("LF"), "LF");
    EXPECT_EQ(Text("LL"), "LL");
}

TEST_F(PluginIntake, BlockOutsideSixteenBitsIsACrcDiscardEvenWhenSelected) {
    for (int entry = 0; entry < 32; ++entry) {
        Tick(entry);
    }
    Send(Group(0x6204, 0x2400, -1, 0));
    Send(Group(0x6204, 65536, 0, 0));
    Send(Group(0x6204, 0, 0, INT_MAX));
    Send(Group(0x6204, INT_MIN, 0, 0));
    EXPECT_EQ(Text("LR"), "4");
    EXPECT_EQ(Text("LE"), "4");
    EXPECT_EQ(Text("LW"), "LW");
}

TEST_F(PluginIntake, InvalidBlock1AndAnyHostFieldsAreQueued) {
    Tick(31);  // 15B
    Send(Group(-1, 65535, 0, 0));
    Send(Group(INT_MIN, 65535, 65535, 65535, INT_MIN, INT_MAX, -1));
    EXPECT_EQ(Text("LW"), "2");
    EXPECT_EQ(Text("LE"), "LE");
}

TEST_F(PluginIntake, WithNothingTickedEveryValidGroupIsFilteredOut) {
    SendMany(5);
    Send(Group(0x6204, 0, 0, 0));
    EXPECT_EQ(Text("LR"), "6");
    EXPECT_EQ(Text("LF"), "6");
    EXPECT_EQ(Text("LW"), "LW");
}

TEST_F(PluginIntake, GroupTypeIndexPicksTheListEntry) {
    Tick(1);  // 0B
    Send(Group(0x6204, 2048, 0, 0));
    Send(Group(0x6204, 0, 0, 0));
    Send(Group(0x6204, 4096, 0, 0));
    EXPECT_EQ(Text("LW"), "1");
    EXPECT_EQ(Text("LF"), "2");
}

TEST_F(PluginIntake, SwitchedOnMaskQueuesMatchingGroupsOnly) {
    Tick(kMask1);
    SetMaskCell(1, 1, "0010????????????");
    SetMaskCell(1, 2, kAny);
    SetMaskCell(1, 3, kAny);
    Send(Group(0x6204, 9216, 0, 0));    // 2A matches
    Send(Group(0x6204, 0x2C00, 0, 0));  // 2B matches
    Send(Group(0x6204, 1024, 0, 0));    // 0A does not
    EXPECT_EQ(Text("LW"), "2");
    EXPECT_EQ(Text("LF"), "1");
}

TEST_F(PluginIntake, MaskRowsCombineByOrAndOnlyWhenSwitchedOn) {
    SetMaskCell(1, 3, "0");
    SetMaskCell(2, 3, "1");
    const HostGroupRecord group = Group(0x6204, 0, 0, 32768);
    Send(group);
    EXPECT_EQ(Text("LF"), "1");
    Tick(kMask1);
    Tick(kMask2);
    Send(group);
    EXPECT_EQ(Text("LW"), "1");
}

TEST_F(PluginIntake, SelectedTypeBypassesAFailingMask) {
    Tick(4);
    Tick(kMask1);
    SetMaskCell(1, 1, "1111111111111111");
    Send(Group(0x6204, 0x2400, 0, 0));
    EXPECT_EQ(Text("LW"), "1");
}

TEST_F(PluginIntake, HugeAndStrangeMaskCellsNeitherCrashNorShiftBlocks) {
    Tick(kMask1);
    SetMaskCell(1, 1, QString(10000, '0'));
    SetMaskCell(1, 2, QString::fromUtf8("\xc3\xa9\xe2\x82\xac\xf0\x9f\x93\xbb") + QString(20, 'x'));
    SetMaskCell(1, 3, "1");
    Send(Group(0x6204, 0, 0xFFFF, 0x8000));
    Send(Group(0x6204, 0, 0xFFFF, 0x7FFF));
    EXPECT_EQ(Text("LW"), "1");
    EXPECT_EQ(Text("LF"), "1");
}

TEST_F(PluginIntake, HyphenMaskNeverMatchesWhatTheIntakePasses) {
    Tick(kMask1);
    SetMaskCell(1, 2, "-");
    Send(Group(0x6204, 0, 0, 0));
    Send(Group(0x6204, 0, -1, 0));
    EXPECT_EQ(Text("LF"), "1");
    EXPECT_EQ(Text("LE"), "1");
    EXPECT_EQ(Text("LW"), "LW");
}

TEST_F(PluginIntake, FullBufferDropsTheOldestAndCountsEachLoss) {
    Tick(4);
    SendMany(2047);
    EXPECT_EQ(Text("LW"), "2047");
    EXPECT_EQ(Text("LL"), "LL");
    SendMany(953);
    EXPECT_EQ(Text("LW"), "2047");
    EXPECT_EQ(Text("LL"), "953");
    EXPECT_EQ(Text("LR"), "3000");
}

// Two groups, Clear, one group: each counter counts on from zero, not from what it had.
TEST_F(PluginIntake, ClearZeroesEachCounterItRaisesAfterwards) {
    struct Case {
        const char* label;
        HostGroupRecord group;
        int tick;  // a group-list entry to tick first, or -1
    };
    const Case cases[] = {{"LF", Group(0x6204, 0x2400, 0, 0), -1},
                          {"LE", Group(0x6204, 0x2400, -1, 0), -1},
                          {"LR", Group(0x6204, 0x2400, 0, 0), -1},
                          {"LW", Group(0x6204, 0x2400, 0, 0), 4}};
    for (const Case& c : cases) {
        if (c.tick >= 0) {
            Tick(c.tick);
        }
        Send(c.group);
        Send(c.group);
        Find<QPushButton>("Button1")->click();
        Send(c.group);
        EXPECT_EQ(Text(c.label), "1") << c.label;
    }
}

TEST_F(PluginIntake, FilterChangesApplyFromTheNextGroup) {
    const HostGroupRecord group = Group(0x6204, 0x2400, 0, 0);
    Send(group);
    Tick(4);
    Send(group);
    Tick(4, false);
    Send(group);
    EXPECT_EQ(Text("LF"), "2");
    EXPECT_EQ(Text("LW"), "1");
}

}  // namespace
