// The window's handlers driven through fake controls of the seam: no toolkit, no window.
#include <gtest/gtest.h>

#include "plugin/tform1_handlers.h"
#include "support/fake_controls.h"

namespace {

using namespace test_support;

constexpr int kNotConnectedItem = 2;

class SeamForm : public TForm1Handlers {
public:
    SeamForm() {
        m_ui = {.Form1 = &window,
                .System = &system,
                .StatusBar1 = &status,
                .LR = &lr,
                .LRPS = &lrps,
                .LE = &le,
                .LF = &lf,
                .LW = &lw,
                .LL = &ll,
                .LS = &ls,
                .LSPS = &lsps,
                .LSTART = &lstart,
                .CLBSHOW = &groups,
                .SGMASK = &masks,
                .RGCON = &connectionType,
                .CBBIDI = &bidi,
                .CBLIMIT = &limit,
                .CBCOMP = &serialPort,
                .RGSPEED = &speed,
                .EHOST = &host,
                .EPORT = &port,
                .CBKEEPPI = &keepPi,
                .CBKEEPPTY = &keepPty,
                .CBKEEPTP = &keepTp,
                .BUPDATE = &update,
                .TTimerSend = &sendTimer,
                .TimerRxD = &replyTimer,
                .TCPCon = &retryTimer,
                .TimerPerSec = &rateTimer};
    }

    FakeWindow window;
    FakeSystem system;
    FakeStatusLine status;
    FakeLabel lr, lrps, le, lf, lw, ll, ls, lsps, lstart;
    FakeCheckList groups;
    FakeGrid masks;
    FakeRadioGroup connectionType{3};
    FakeTickBox bidi, limit, keepPi, keepPty, keepTp;
    FakeCombo serialPort;
    FakeRadioGroup speed{5};
    FakeEdit host, port;
    FakeButton update;
    FakeTimer sendTimer, replyTimer, retryTimer, rateTimer;
};

// Setting a window timer's period starts the period anew, which would put off the next group:
// Connect / Update with the speed it already runs at must leave the send tick as it is.
TEST(HandlersOnTheSeam, ConnectUpdateKeepsTheSendTicksPhaseWhenItsIntervalStays) {
    SeamForm form;
    form.connectionType.SetItemIndex(kNotConnectedItem);
    form.sendTimer.interval_ = 70;
    form.sendTimer.Start();

    form.BUPDATEClick(&form.update);
    EXPECT_EQ(form.sendTimer.interval_, 260);
    EXPECT_EQ(form.sendTimer.periodStarts_, 2);

    form.BUPDATEClick(&form.update);
    EXPECT_EQ(form.sendTimer.periodStarts_, 2);
}

struct WindowCommandCase {
    const char* name;
    const char* command;
    bool visibleBefore;
    bool minimizedBefore;
    bool visibleAfter;
    bool minimizedAfter;
    int broughtToFront;
};

class WindowCommand : public ::testing::TestWithParam<WindowCommandCase> {};

TEST_P(WindowCommand, LeavesTheWindowAsTheCommandSays) {
    const WindowCommandCase& c = GetParam();
    SeamForm form;
    form.window.visible_ = c.visibleBefore;
    form.window.minimized_ = c.minimizedBefore;
    form.ExecuteCommand(c.command, 0);
    EXPECT_EQ(form.window.visible_, c.visibleAfter);
    EXPECT_EQ(form.window.minimized_, c.minimizedAfter);
    EXPECT_EQ(form.window.broughtToFront_, c.broughtToFront);
}

INSTANTIATE_TEST_SUITE_P(
    HandlersOnTheSeam, WindowCommand,
    ::testing::Values(WindowCommandCase{"showHidden", "SHOW", false, false, true, false, 1},
                      WindowCommandCase{"showMinimized", "show", true, true, true, false, 1},
                      WindowCommandCase{"configureHidden", "CONFIGURE", false, true, true, false,
                                        1},
                      WindowCommandCase{"hideShown", "HIDE", true, false, false, false, 0},
                      WindowCommandCase{"showHideShown", "SHOWHIDE", true, false, false, false, 0},
                      WindowCommandCase{"showHideHidden", "SHOWHIDE", false, false, true, false, 0},
                      WindowCommandCase{"unknownWord", "SHOW ", false, false, false, false, 0}),
    [](const ::testing::TestParamInfo<WindowCommandCase>& p) { return std::string(p.param.name); });

}  // namespace
