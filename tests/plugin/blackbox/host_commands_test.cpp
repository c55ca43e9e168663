// The host's command words through the Command export.
#include "blackbox_fixture.h"

namespace blackbox {
namespace {

class HostCommands : public BlackBox {};

TEST_F(HostCommands, WindowCommandsShowHideAndToggle) {
    driver.Command("showhide");
    EXPECT_TRUE(driver.Visible());
    driver.Command("ShowHide");
    EXPECT_FALSE(driver.Visible());
    driver.Command("SHOW ");
    driver.Command(" SHOW");
    driver.Command("SHOW NOW");
    driver.Command("");
    driver.Command(nullptr);
    EXPECT_FALSE(driver.Visible());
    driver.Command("Configure");
    EXPECT_TRUE(driver.Visible());
    driver.Command("SHOW");
    EXPECT_TRUE(driver.Visible());
    driver.Command("hide");
    EXPECT_FALSE(driver.Visible());
    driver.Command("SHOW");
    EXPECT_TRUE(driver.Visible());
}

TEST_F(HostCommands, ResetDataEmptiesTheBufferAndZeroesTheCounters) {
    driver.TickGroup(16, true);  // 8A
    for (int i = 0; i < 5; ++i) {
        driver.RDSGroup(Group(0x6204, 0x8000, i, 0));
    }
    driver.RDSGroup(Group(0x6204, 0x8000, 70000, 0));
    driver.RDSGroup(Group(0x6204, 0x0000, 0, 0));
    ASSERT_EQ(driver.Text("LW"), "5");
    driver.Command("resetdata");
    for (const char* name : {"LR", "LE", "LF", "LW", "LL", "LS"}) {
        EXPECT_EQ(driver.Text(name), "0") << name;
    }
    driver.RDSGroup(Group(0x6204, 0x8000, 0, 0));
    EXPECT_EQ(driver.Text("LW"), "1");
    EXPECT_EQ(driver.Text("LR"), "1");
}

}  // namespace
}  // namespace blackbox
