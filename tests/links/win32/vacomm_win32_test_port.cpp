// WinSock must come before windows.h.
#include <winsock2.h>

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "links/win32/vacomm_win32_fixture.h"

using namespace std::chrono_literals;
using test_support::PtyFarEnd;
using test_support::PumpMessagesFor;
using test_support::PumpMessagesUntil;

namespace {

std::string raisedText(const std::function<void()>& action) {
    try {
        action();
    } catch (const EVaCommError& error) {
        return error.what();
    }
    return "(nothing raised)";
}

DCB lineSettings(TVaComm& comm) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    GetCommState(static_cast<HANDLE>(comm.Handle()), &dcb);
    return dcb;
}

using VaCommWin32 = test_support::Win32PtyPortTest;

}  // namespace

TEST(VaCommWin32Settings, DevicePathPutsTheFormattedNameIntoTheDeviceNamespace) {
    const struct {
        const char* pattern;
        int port;
        const char* path;
    } cases[] = {{"COM%d", 3, R"(\\.\COM3)"},
                 {"COM%d", 10, R"(\\.\COM10)"},
                 {R"(\\.\COM%d)", 12, R"(\\.\COM12)"},
                 {"CNCA%d", 0, R"(\\.\CNCA0)"},
                 {"COM%%%d", 2, R"(\\.\COM%2)"}};
    for (const auto& c : cases) {
        TVaComm comm;
        comm.SetDeviceName(c.pattern);
        comm.SetPortNum(c.port);
        EXPECT_EQ(comm.DevicePath(), c.path) << c.pattern;
    }
}

TEST(VaCommWin32Settings, MissingDeviceIsReportedWithItsPathAndLeavesThePortClosed) {
    TVaComm comm;
    comm.SetPortNum(251);
    EXPECT_EQ(raisedText([&] { comm.Open(); }), R"(Specified device not found (\\.\COM251).)");
    EXPECT_FALSE(comm.IsOpen());
}

TEST(VaCommWin32Settings, APatternWithTwoPlaceholdersIsRefused) {
    TVaComm comm;
    comm.SetDeviceName("COM%d%d");
    comm.SetPortNum(1);
    EXPECT_EQ(raisedText([&] { comm.Open(); }),
              "Device name COM%d%d holds more than one port number placeholder");
    EXPECT_FALSE(comm.IsOpen());
}

TEST_F(VaCommWin32, OpenAppliesEightNOneAtTheChosenSpeedWithoutFlowControl) {
    comm.Open();
    const DCB dcb = lineSettings(comm);
    EXPECT_EQ(dcb.BaudRate, 2400u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, NOPARITY);
    EXPECT_EQ(dcb.StopBits, ONESTOPBIT);
    EXPECT_FALSE(dcb.fOutxCtsFlow);
    EXPECT_FALSE(dcb.fOutX);
    EXPECT_FALSE(dcb.fInX);
    EXPECT_NE(dcb.fRtsControl, static_cast<DWORD>(RTS_CONTROL_HANDSHAKE));
}

TEST_F(VaCommWin32, CarriesBytesBothWays) {
    comm.Open();
    EXPECT_TRUE(comm.WriteText("PI=D3A7\r"));
    EXPECT_EQ(device.ReceiveUntilQuiet(), "PI=D3A7\r");
    device.Send("+\r");
    ASSERT_TRUE(PumpMessagesUntil([&] { return comm.InQueCount() == 2; }, 2s));
    char bytes[4] = {};
    EXPECT_EQ(comm.ReadBuf(bytes, 4), 2);
    EXPECT_EQ(std::string(bytes, 2), "+\r");
}

TEST_F(VaCommWin32, ReadCharOnAnEmptyQueueReturnsFalseAtOnce) {
    comm.Open();
    char ch = 0;
    const DWORD start = GetTickCount();
    EXPECT_FALSE(comm.ReadChar(ch));
    EXPECT_LT(GetTickCount() - start, 200u);
}

TEST_F(VaCommWin32, BytesWaitInOrderWhileNoHandlerIsAssigned) {
    comm.Open();
    device.Send("OK\r");
    PumpMessagesFor(200ms);
    device.Send("+\r");
    ASSERT_TRUE(PumpMessagesUntil([&] { return comm.InQueCount() == 5; }, 2s));
    std::string read;
    char ch = 0;
    while (comm.ReadChar(ch)) {
        read += ch;
    }
    EXPECT_EQ(read, "OK\r+\r");
}

TEST_F(VaCommWin32, GuardedSettersRefuseWhileOpenAndKeepTheirValue) {
    comm.Open();
    const int port = comm.PortNum();
    const std::string kWhileOpen = "Can't perform this operation while port is open";
    EXPECT_EQ(raisedText([&] { comm.SetPortNum(port); }), kWhileOpen);
    EXPECT_EQ(raisedText([&] { comm.SetDeviceName("COM%d"); }), kWhileOpen);
    EXPECT_EQ(raisedText([&] { comm.SetMonitorEvents({}); }), kWhileOpen);
    EXPECT_EQ(raisedText([&] { comm.SetDirectWrite(false); }), kWhileOpen);
    EXPECT_EQ(raisedText([&] { comm.Buffers().SetReadSize(10); }), kWhileOpen);
    EXPECT_EQ(comm.PortNum(), port);
    EXPECT_EQ(comm.Buffers().ReadSize(), 4096);
}

TEST_F(VaCommWin32, OpenOnAnOpenPortRaisesAndLeavesItOpen) {
    comm.Open();
    EXPECT_EQ(raisedText([&] { comm.Open(); }), "Can't perform this operation while port is open");
    EXPECT_TRUE(comm.IsOpen());
    EXPECT_TRUE(comm.WriteText("G=1\r"));
}

// The port is opened without sharing: a second opener gets the system's refusal and its text.
TEST_F(VaCommWin32, DeviceInUseIsRefusedWithTheSystemsText) {
    comm.Open();
    TVaComm second;
    second.SetPortNum(comm.PortNum());
    const std::string path = comm.DevicePath();
    const std::string text = raisedText([&] { second.Open(); });
    if (second.IsOpen()) {
        GTEST_SKIP() << "Wine does not enforce exclusive use of a serial device: a second "
                        "CreateFile without sharing succeeds";
    }
    EXPECT_EQ(text.rfind("Can't open specified device " + path + " (Error ", 0), 0u) << text;
    EXPECT_FALSE(second.IsOpen());
}

TEST_F(VaCommWin32, CloseFiresOnCloseAndTheDeviceCanBeOpenedAgain) {
    int closes = 0;
    comm.OnClose = [&](TComponent* sender) {
        EXPECT_EQ(sender, &comm);
        ++closes;
    };
    comm.Open();
    comm.Close();
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(comm.IsOpen());
    comm.Open();
    EXPECT_TRUE(comm.WriteText("G=2\r"));
    EXPECT_EQ(device.ReceiveUntilQuiet(), "G=2\r");
}

TEST_F(VaCommWin32, SpeedChangeOnAnOpenPortTakesEffectAtOnce) {
    comm.Open();
    comm.SetBaudrate(br9600);
    EXPECT_EQ(lineSettings(comm).BaudRate, 9600u);
    comm.SetBaudrate(br19200);
    EXPECT_EQ(lineSettings(comm).BaudRate, 19200u);
}

class VaCommWin32Speed : public test_support::Win32PtyPortTest,
                         public testing::WithParamInterface<std::pair<TVaBaudrate, DWORD>> {};

// Wine passes a speed to the pseudo-terminal only when the kernel's classic table has it.
TEST_P(VaCommWin32Speed, OpenSetsEveryTableSpeedThePlatformHas) {
    const auto [rate, bitsPerSecond] = GetParam();
    comm.SetBaudrate(rate);
    try {
        comm.Open();
    } catch (const EVaCommError& error) {
        GTEST_SKIP() << "Wine refuses " << bitsPerSecond
                     << " bit/s on a pseudo-terminal: " << error.what();
    }
    const DWORD set = lineSettings(comm).BaudRate;
    if (set != bitsPerSecond && set == 38400) {
        GTEST_SKIP() << "Wine sets a pseudo-terminal to 38400 bit/s when asked for "
                     << bitsPerSecond << ", a speed outside the kernel's classic table";
    }
    EXPECT_EQ(set, bitsPerSecond);
}

INSTANTIATE_TEST_SUITE_P(VaComm, VaCommWin32Speed,
                         testing::Values(std::pair{br110, 110ul}, std::pair{br300, 300ul},
                                         std::pair{br1200, 1200ul}, std::pair{br2400, 2400ul},
                                         std::pair{br9600, 9600ul}, std::pair{br14400, 14400ul},
                                         std::pair{br19200, 19200ul}, std::pair{br56000, 56000ul},
                                         std::pair{br57600, 57600ul}, std::pair{br115200, 115200ul},
                                         std::pair{br128000, 128000ul},
                                         std::pair{br256000, 256000ul}));

// A hung-up line fails reads and writes with the system's error; a new line opens as usual.
TEST_F(VaCommWin32, HungUpLineRaisesReadAndWriteErrorsAndCanBeReopened) {
    comm.SetMonitorEvents({});
    comm.Open();
    device.HangUp();
    PumpMessagesFor(500ms);
    char ch = 0;
    EXPECT_EQ(raisedText([&] { comm.ReadChar(ch); }).rfind("Read error (", 0), 0u);
    EXPECT_EQ(raisedText([&] { comm.WriteText("G=3\r"); }).rfind("Write error (", 0), 0u);
    comm.Close();
    ASSERT_TRUE(device.Connect());
    comm.Open();
    EXPECT_TRUE(comm.WriteText("G=4\r"));
    EXPECT_EQ(device.ReceiveUntilQuiet(), "G=4\r");
}

TEST_F(VaCommWin32, BufferedWritesGoOutThroughTheWriterThread) {
    comm.SetDirectWrite(false);
    comm.Open();
    EXPECT_EQ(comm.WriteBuf("G=5\r", 4), 4);
    EXPECT_EQ(device.ReceiveUntilQuiet(), "G=5\r");
}

// Modem-status calls have nothing to act on behind a pseudo-terminal.
TEST_F(VaCommWin32, ModemStatusOfThePort) {
    comm.Open();
    DWORD status = 0;
    if (!GetCommModemStatus(static_cast<HANDLE>(comm.Handle()), &status)) {
        GTEST_SKIP() << "Wine cannot read modem lines of a pseudo-terminal (error "
                     << GetLastError() << "): CTS, DSR, RLSD and RING events cannot be tested";
    }
    SUCCEED();
}

TEST_F(VaCommWin32, FailingOpenHandlerDoesNotFailOpen) {
    std::string reported;
    comm.OnOpen = [](TComponent*) { throw EVaCommError("handler trouble"); };
    comm.OnException = [&](TComponent*, const std::string& message) { reported = message; };
    comm.Open();
    EXPECT_TRUE(comm.IsOpen());
    EXPECT_EQ(reported, "handler trouble");
}

TEST_F(VaCommWin32, BufferedWritesRaiseWhenTheBufferStaysFull) {
    comm.SetDirectWrite(false);
    TVaBuffers buffers;
    buffers.SetWriteSize(256);
    buffers.SetWriteTimeout(100);
    comm.SetBuffers(buffers);
    comm.Open();
    const std::string chunk(256, 'x');
    std::string message;
    for (int i = 0; i < 1000 && message.empty(); ++i) {
        message = raisedText([&] { comm.WriteText(chunk); });
        if (message == "(nothing raised)") {
            message.clear();
        }
    }
    EXPECT_EQ(message, "Output buffer is full. Please check comm status.");
}

TEST_F(VaCommWin32, TwoStopBitsAreAppliedOnOpenAndOneWhileOpen) {
    comm.SetStopbits(sb2);
    comm.Open();
    EXPECT_EQ(lineSettings(comm).StopBits, TWOSTOPBITS);
    comm.SetStopbits(sb1);
    EXPECT_EQ(lineSettings(comm).StopBits, ONESTOPBIT);
}

// A pseudo-terminal keeps eight data bits, so Wine refuses seven: the refusal carries the
// system's text and the port keeps the setting it has.
TEST_F(VaCommWin32, ARefusedLineSettingOnAnOpenPortKeepsTheOldOne) {
    comm.Open();
    const std::string text = raisedText([&] { comm.SetDatabits(db7); });
    if (text == "(nothing raised)") {
        GTEST_SKIP() << "the device took seven data bits";
    }
    EXPECT_EQ(text.rfind("Error writing dcb (", 0), 0u) << text;
    EXPECT_EQ(comm.Databits(), db8);
    EXPECT_EQ(lineSettings(comm).ByteSize, 8);
    EXPECT_TRUE(comm.WriteText("G=6\r"));
}
