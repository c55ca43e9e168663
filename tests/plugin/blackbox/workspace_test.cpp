// The workspace through the settings store the plug-in is linked with, kovadex.
#include <gmock/gmock.h>

#include <vector>

#include "blackbox_fixture.h"

namespace blackbox {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAreArray;

class WorkspaceRoundTrip : public BlackBox {
protected:
    // Every control that the workspace keeps, as one text per control.
    std::vector<std::string> Controls() const {
        const auto [left, top] = driver.Position();
        std::vector<std::string> state{"at " + std::to_string(left) + "," + std::to_string(top),
                                       driver.Visible() ? "shown" : "hidden",
                                       "RGCON " + std::to_string(driver.SelectedItem("RGCON")),
                                       "CBCOMP " + std::to_string(driver.ComboIndex("CBCOMP")),
                                       "RGSPEED " + std::to_string(driver.SelectedItem("RGSPEED")),
                                       driver.Text("EHOST"),
                                       driver.Text("EPORT")};
        for (const char* box : {"CBBIDI", "CBLIMIT", "CBKEEPPI", "CBKEEPPTY", "CBKEEPTP"}) {
            state.push_back(std::string(box) + (driver.Ticked(box) ? " 1" : " 0"));
        }
        for (int cell = 0; cell < 9; ++cell) {
            state.push_back(driver.MaskCell(cell / 3 + 1, cell % 3 + 1));
        }
        std::string ticks;
        for (int item = 0; item < 35; ++item) {
            ticks += driver.GroupTicked(item) ? '1' : '0';
        }
        state.push_back(ticks);
        return state;
    }
};

// The restore ends with Connect / Update, so the encoder named is one that refuses on loopback.
TEST_F(WorkspaceRoundTrip, SaveThenOpenRestoresEveryControl) {
    const LoopbackEncoder refusing(LoopbackEncoder::Mode::Refusing);
    driver.Command("SHOW");
    driver.Move(120, 240);
    driver.SelectItem("RGCON", 1);
    driver.SetComboIndex("CBCOMP", 17);
    driver.SelectItem("RGSPEED", 4);
    driver.SetText("EHOST", "127.0.0.1");
    driver.SetText("EPORT", std::to_string(refusing.Port()));
    driver.SetTicked("CBLIMIT", false);
    driver.SetTicked("CBKEEPPTY", false);
    for (int cell = 0; cell < 9; ++cell) {
        driver.SetMaskCell(cell / 3 + 1, cell % 3 + 1, "01-?x" + std::to_string(cell));
    }
    for (int item = 0; item < 35; item += 2) {
        driver.TickGroup(item, item % 4 == 0);
    }
    const std::vector<std::string> saved = Controls();
    const int32_t workspace = FreshWorkspace();
    driver.Command("SAVEWORKSPACE", workspace);
    driver.Command("OPENWORKSPACE", FreshWorkspace());
    ASSERT_NE(Controls(), saved);
    driver.Command("OPENWORKSPACE", workspace);
    EXPECT_THAT(Controls(), ElementsAreArray(saved));
}

// A workspace that names an encoder connects to it, and after Clear the next group's PI goes
// out again.
TEST_F(WorkspaceRoundTrip, OpenConnectsToTheRestoredEncoderAndClearSendsThePiAgain) {
    LoopbackEncoder encoder;
    const int32_t workspace = FreshWorkspace();
    SaveInteger(workspace, "tolvane", "ConnectionType", 1);
    SaveInteger(workspace, "tolvane", "Limit", 0);
    SaveInteger(workspace, "tolvane", "Bidirectional", 0);
    SaveInteger(workspace, "tolvane", "KeepPI", 0);
    SavePChar(workspace, "tolvane", "Port", std::to_string(encoder.Port()).c_str());
    driver.Command("OPENWORKSPACE", workspace);
    ASSERT_TRUE(encoder.Accept());
    ASSERT_TRUE(WaitForStatus(ConnectedText(encoder)));
    driver.RDSGroup(Group(0x1234, 0x8000, 1, 2));
    EXPECT_EQ(encoder.WaitForBytes(23), "PI=1234\rG=800000010002\r");
    driver.Click("Button1");
    driver.RDSGroup(Group(0x1234, 0x8000, 3, 4));
    EXPECT_EQ(encoder.WaitForBytes(46), "PI=1234\rG=800000010002\rPI=1234\rG=800000030004\r");
}

}  // namespace
}  // namespace blackbox
