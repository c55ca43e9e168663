// The connection states of a TCP encoder link as the status line, the buttons and the
// encoder see them.
#include "blackbox_fixture.h"

namespace blackbox {
namespace {

using namespace std::chrono_literals;

class EncoderConnection : public BlackBox {};

TEST_F(EncoderConnection, ConnectShowsConnectingThenConnectedToHostAndPort) {
    LoopbackEncoder encoder;
    driver.SelectItem("RGCON", 1);
    driver.SetText("EPORT", std::to_string(encoder.Port()));
    driver.Click("BUPDATE");
    EXPECT_EQ(driver.Text("StatusBar1"), "Connecting...");
    EXPECT_FALSE(driver.Enabled("BUPDATE"));
    ASSERT_TRUE(encoder.Accept());
    EXPECT_TRUE(WaitForStatus(ConnectedText(encoder))) << driver.Text("StatusBar1");
    EXPECT_EQ(driver.SelectedItem("RGCON"), 1);
    EXPECT_FALSE(driver.Enabled("BUPDATE"));
}

TEST_F(EncoderConnection, ARefusedPortShowsTheLinksErrorAndKeepsConnectDisabled) {
    const LoopbackEncoder refusing(LoopbackEncoder::Mode::Refusing);
    driver.SelectItem("RGCON", 1);
    driver.SetText("EPORT", std::to_string(refusing.Port()));
    driver.Click("BUPDATE");
    const std::string prefix = "TCP/IP Error: ";
    ASSERT_TRUE(PumpUntil([&] { return driver.Text("StatusBar1").rfind(prefix, 0) == 0; }, 5s))
        << driver.Text("StatusBar1");
    EXPECT_GT(driver.Text("StatusBar1").size(), prefix.size()) << "the error has no message";
    EXPECT_FALSE(driver.Enabled("BUPDATE"));
}

TEST_F(EncoderConnection, DisconnectClosesTheConnectionAndEnablesConnect) {
    LoopbackEncoder encoder;
    ASSERT_TRUE(Connect(encoder));
    driver.Click("BDISCON");
    EXPECT_EQ(driver.Text("StatusBar1"), "Not connected");
    EXPECT_TRUE(driver.Enabled("BUPDATE"));
    EXPECT_TRUE(encoder.WaitForEnd());
    // No retry follows a Disconnect: the status line stays as it is.
    PumpFor(300ms);
    EXPECT_EQ(driver.Text("StatusBar1"), "Not connected");
}

TEST_F(EncoderConnection, AnEncoderThatClosesShowsNotConnectedAndStopsOutput) {
    LoopbackEncoder encoder;
    TickEveryGroupType(true);
    ASSERT_TRUE(Connect(encoder));
    encoder.Close();
    EXPECT_TRUE(WaitForStatus("Not connected")) << driver.Text("StatusBar1");
    EXPECT_FALSE(driver.Enabled("BUPDATE"));
    driver.RDSGroup(Group(0x1234, 0x8000, 0, 0));
    PumpFor(300ms);
    EXPECT_EQ(driver.Text("LW"), "1");
    EXPECT_EQ(driver.Text("LS"), "LS");
}

TEST_F(EncoderConnection, NotConnectedChoiceShowsNotConnectedAndSendsNothing) {
    TickEveryGroupType(true);
    driver.SelectItem("RGCON", 2);
    driver.Click("BUPDATE");
    EXPECT_EQ(driver.Text("StatusBar1"), "Not connected");
    EXPECT_TRUE(driver.Enabled("BUPDATE"));
    driver.RDSGroup(Group(0x1234, 0x8000, 0, 0));
    PumpFor(300ms);
    EXPECT_EQ(driver.Text("LW"), "1");
}

}  // namespace
}  // namespace blackbox
