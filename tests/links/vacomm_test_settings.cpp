// The serial port's properties and a closed port, the same on every platform.
#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>

#include "VaComm.h"

namespace {

TEST(VaComm, StartsWithThePublishedDefaults) {
    TVaComm comm;
    EXPECT_FALSE(comm.IsOpen());
    EXPECT_FALSE(comm.AutoOpen());
    EXPECT_EQ(comm.Baudrate(), br1200);
    EXPECT_EQ(comm.Parity(), paNone);
    EXPECT_EQ(comm.Databits(), db8);
    EXPECT_EQ(comm.Stopbits(), sb1);
    EXPECT_TRUE(comm.Options().Empty());
    EXPECT_EQ(comm.PortNum(), 0);
    EXPECT_EQ(comm.DeviceName(), "COM%d");
    EXPECT_EQ(comm.MonitorEvents(), (TVaCommEvents{ceError, ceRxChar, ceTxEmpty}));
    EXPECT_EQ(comm.EventPriority(), tpNormal);
    EXPECT_EQ(comm.WritePriority(), tpHighest);
    EXPECT_FALSE(comm.DirectWrite());
    EXPECT_TRUE(comm.UpdateDCB());
    EXPECT_EQ(comm.UserBaudrate(), 0);
    EXPECT_EQ(comm.Version(), "1.5.0.0");
}

TEST(VaComm, SettingsObjectsStartWithTheirDefaults) {
    TVaComm comm;
    const TVaBuffers& buffers = comm.Buffers();
    EXPECT_EQ(buffers.ReadSize(), 4096);
    EXPECT_EQ(buffers.WriteSize(), 2048);
    EXPECT_EQ(buffers.ReadTimeout(), 1000);
    EXPECT_EQ(buffers.WriteTimeout(), 1000);
    EXPECT_EQ(buffers.XonLimit(), 1024);
    EXPECT_EQ(buffers.XoffLimit(), 1024);
    TVaFlowControl& flow = comm.FlowControl();
    EXPECT_FALSE(flow.OutCtsFlow() || flow.OutDsrFlow() || flow.XonXoffOut() || flow.XonXoffIn() ||
                 flow.DsrSensitivity() || flow.TxContinueOnXoff());
    EXPECT_EQ(flow.ControlDtr(), dtrDisabled);
    EXPECT_EQ(flow.ControlRts(), rtsDisabled);
    TVaEventChars& chars = comm.EventChars();
    EXPECT_EQ(chars.XonChar(), 17);
    EXPECT_EQ(chars.XoffChar(), 19);
    EXPECT_EQ(chars.ErrorChar(), 0);
    EXPECT_EQ(chars.EventChar(), 0);
    EXPECT_EQ(chars.EofChar(), 0);
}

TEST(VaComm, VersionIgnoresWrites) {
    TVaComm comm;
    comm.SetVersion("2.0");
    EXPECT_EQ(comm.Version(), "1.5.0.0");
}

TEST(VaComm, TableBaudrateClearsUserBaudrateAndUserBaudrateSelectsBrUser) {
    TVaComm comm;
    comm.SetUserBaudrate(31250);
    EXPECT_EQ(comm.Baudrate(), brUser);
    EXPECT_EQ(comm.UserBaudrate(), 31250);
    comm.SetBaudrate(br9600);
    EXPECT_EQ(comm.UserBaudrate(), 0);
    comm.SetUserBaudrate(31250);
    comm.SetBaudrate(brUser);
    EXPECT_EQ(comm.UserBaudrate(), 31250);
}

TEST(VaComm, RefusesANegativePortNumber) {
    TVaComm comm;
    comm.SetPortNum(7);
    EXPECT_THROW(comm.SetPortNum(-1), EVaCommError);
    EXPECT_EQ(comm.PortNum(), 7);
}

TEST(VaComm, ClosedPortTransfersNothing) {
    TVaComm comm;
    char ch = 'x';
    EXPECT_FALSE(comm.ReadChar(ch));
    EXPECT_EQ(ch, 'x');
    EXPECT_EQ(comm.ReadBuf(&ch, 1), 0);
    EXPECT_FALSE(comm.WriteText("G=000000000000\r"));
    EXPECT_EQ(comm.WriteBuf("abc", 3), 0);
    EXPECT_EQ(comm.InQueCount(), 0);
    EXPECT_TRUE(comm.FlushPending());
}

TEST(VaComm, CloseOnAClosedPortReturnsAtOnceWithoutOnClose) {
    TVaComm comm;
    int closes = 0;
    comm.OnClose = [&](auto*) { ++closes; };
    const auto start = std::chrono::steady_clock::now();
    comm.Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
    EXPECT_EQ(closes, 0);
}

TEST(VaComm, AutoOpenOffLeavesLoadedPortClosed) {
    TVaComm comm;
    comm.Loaded();
    EXPECT_FALSE(comm.IsOpen());
}

TEST(VaPersistent, SetterCallsBackOnlyForAChangedValue) {
    int changes = 0;
    TVaFlowControl flow([&] { ++changes; });
    flow.SetXonXoffIn(false);
    EXPECT_EQ(changes, 0);
    flow.SetXonXoffIn(true);
    flow.SetControlRts(rtsToggle);
    EXPECT_EQ(changes, 2);
    EXPECT_TRUE(flow.XonXoffIn());
    EXPECT_EQ(flow.ControlRts(), rtsToggle);
}

TEST(VaPersistent, AssignCopiesEverythingAndCallsBackOnce) {
    int changes = 0;
    TVaEventChars target([&] { ++changes; });
    TVaEventChars source;
    source.SetXonChar('a');
    source.SetXoffChar('b');
    source.SetErrorChar('c');
    source.SetEventChar('d');
    source.SetEofChar('e');
    target.Assign(source);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(target.XonChar(), 'a');
    EXPECT_EQ(target.XoffChar(), 'b');
    EXPECT_EQ(target.ErrorChar(), 'c');
    EXPECT_EQ(target.EventChar(), 'd');
    EXPECT_EQ(target.EofChar(), 'e');
}

TEST(VaPersistent, UpdateBracketDefersTheCallbackToItsOutermostEnd) {
    int changes = 0;
    TVaBuffers buffers([&] { ++changes; });
    buffers.BeginUpdate();
    buffers.BeginUpdate();
    buffers.SetReadSize(100);
    buffers.SetWriteSize(200);
    buffers.EndUpdate();
    EXPECT_EQ(changes, 0);
    buffers.EndUpdate();
    EXPECT_EQ(changes, 1);
}

TEST(VaPersistent, BuffersRefuseNegativeValues) {
    TVaBuffers buffers;
    EXPECT_THROW(buffers.SetWriteTimeout(-1), EVaCommError);
    EXPECT_EQ(buffers.WriteTimeout(), 1000);
}

TEST(VaPersistent, AssignOfFlowControlCopiesEveryFlag) {
    TVaFlowControl source;
    source.SetOutCtsFlow(true);
    source.SetOutDsrFlow(true);
    source.SetControlDtr(dtrHandshake);
    source.SetControlRts(rtsHandshake);
    source.SetXonXoffOut(true);
    source.SetXonXoffIn(true);
    source.SetDsrSensitivity(true);
    source.SetTxContinueOnXoff(true);
    TVaFlowControl target;
    target.Assign(source);
    EXPECT_TRUE(target.OutCtsFlow() && target.OutDsrFlow() && target.XonXoffOut() &&
                target.XonXoffIn() && target.DsrSensitivity() && target.TxContinueOnXoff());
    EXPECT_EQ(target.ControlDtr(), dtrHandshake);
    EXPECT_EQ(target.ControlRts(), rtsHandshake);
}

}  // namespace
