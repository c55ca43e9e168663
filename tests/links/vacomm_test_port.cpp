#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>

#include "VaComm.h"
#include "VaCommSpeed.h"
#include "VaCommTermios.h"
#include "support/pty_port_fixture.h"

using namespace std::chrono_literals;
using test_support::PtyPair;
using Clock = std::chrono::steady_clock;

namespace {

using VaCommPort = test_support::PtyPortTest;

std::string messageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const EVaCommError& error) {
        return error.what();
    }
    return "(nothing raised)";
}

// Whether the terminal at path is in exclusive mode. Tests run as root, which exclusive mode
// does not stop, so the flag itself is what shows a device left unusable for other users.
bool ExclusiveFlagSet(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    int exclusive = 0;
    ioctl(fd, TIOCGEXCL, &exclusive);
    ::close(fd);
    return exclusive != 0;
}

TEST_F(VaCommPort, OpenAppliesRawEightNOneWithoutFlowControl) {
    comm.Open();
    ASSERT_TRUE(comm.IsOpen());
    const termios line = pty->slaveSettings();
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(line.c_oflag & OPOST, 0u);
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF | ICRNL | INPCK | ISTRIP), 0u);
    EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(line.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(line.c_cflag & (CREAD | CLOCAL), static_cast<tcflag_t>(CREAD | CLOCAL));
    EXPECT_EQ(line.c_cc[VMIN], 1);
    EXPECT_EQ(line.c_cc[VTIME], 0);
    EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B2400));
    EXPECT_EQ(cfgetispeed(&line), static_cast<speed_t>(B2400));
}

TEST_F(VaCommPort, CarriesBytesBothWays) {
    comm.Open();
    EXPECT_TRUE(comm.WriteText("G=123456789ABC\r"));
    EXPECT_EQ(pty->readMaster(15, 2s), "G=123456789ABC\r");
    ASSERT_TRUE(pty->writeMaster(std::string("+\r\0\xff", 4)));
    std::string received;
    test_support::waitUntil(
        [&] {
            char ch = 0;
            while (comm.ReadChar(ch)) {
                received += ch;
            }
            return received.size() >= 4;
        },
        2s);
    EXPECT_EQ(received, std::string("+\r\0\xff", 4));
}

TEST_F(VaCommPort, ReadCharOnAnEmptyQueueReturnsFalseAtOnce) {
    comm.Open();
    char ch = 'x';
    const auto start = Clock::now();
    EXPECT_FALSE(comm.ReadChar(ch));
    EXPECT_LT(Clock::now() - start, 200ms);
    EXPECT_EQ(comm.ReadBuf(&ch, 1), 0);
}

TEST_F(VaCommPort, BytesWaitInOrderWhileNoHandlerIsAssigned) {
    comm.Open();
    std::string sent;
    for (int i = 0; i < 300; ++i) {
        sent += static_cast<char>(i % 256);
    }
    ASSERT_TRUE(pty->writeMaster(sent));
    ASSERT_TRUE(test_support::waitUntil([&] { return comm.InQueCount() == 300; }, 2s));
    test_support::waitUntil([] { return false; }, 200ms);
    EXPECT_EQ(comm.InQueCount(), 300);
    std::string received;
    char ch = 0;
    for (int i = 0; i < 400 && comm.ReadChar(ch); ++i) {
        received += ch;
    }
    EXPECT_EQ(received, sent);
    EXPECT_EQ(comm.InQueCount(), 0);
}

TEST_F(VaCommPort, GuardedSettersRefuseWhileOpenAndKeepTheirValue) {
    comm.Open();
    const std::string kWhileOpen = "Can't perform this operation while port is open";
    EXPECT_EQ(messageOf([&] { comm.SetPortNum(1); }), kWhileOpen);
    EXPECT_EQ(messageOf([&] { comm.SetPortNum(2); }), kWhileOpen);
    EXPECT_EQ(messageOf([&] { comm.SetDeviceName("COM%d"); }), kWhileOpen);
    EXPECT_EQ(messageOf([&] { comm.SetDeviceName("/dev/null"); }), kWhileOpen);
    EXPECT_EQ(messageOf([&] { comm.SetMonitorEvents({}); }), kWhileOpen);
    EXPECT_EQ(messageOf([&] { comm.SetDirectWrite(false); }), kWhileOpen);
    EXPECT_EQ(messageOf([&] { comm.SetUpdateDCB(false); }), kWhileOpen);
    EXPECT_EQ(messageOf([&] { comm.SetBuffers(TVaBuffers()); }), kWhileOpen);
    EXPECT_EQ(messageOf([&] { comm.Buffers().SetWriteTimeout(5); }), kWhileOpen);
    EXPECT_EQ(comm.PortNum(), 1);
    EXPECT_EQ(comm.DeviceName(), "COM%d");
    EXPECT_EQ(comm.MonitorEvents(), (TVaCommEvents{ceRxChar, ceTxEmpty}));
    EXPECT_TRUE(comm.DirectWrite());
    EXPECT_TRUE(comm.UpdateDCB());
    EXPECT_EQ(comm.Buffers().WriteTimeout(), 1000);
    EXPECT_TRUE(comm.IsOpen());
}

TEST_F(VaCommPort, OpenOnAnOpenPortRaisesAndLeavesItOpen) {
    comm.Open();
    EXPECT_EQ(messageOf([&] { comm.Open(); }), "Can't perform this operation while port is open");
    EXPECT_TRUE(comm.IsOpen());
    EXPECT_TRUE(comm.WriteText("PI=1234\r"));
    EXPECT_EQ(pty->readMaster(8, 2s), "PI=1234\r");
}

TEST_F(VaCommPort, MissingDeviceIsReportedWithItsPathAndLeavesThePortClosed) {
    comm.SetDeviceName("/dev/tolvane-no-such-tty");
    EXPECT_EQ(messageOf([&] { comm.Open(); }),
              "Specified device not found (/dev/tolvane-no-such-tty).");
    EXPECT_FALSE(comm.IsOpen());
    home.linkPort(1, "/dev/ttyUSB-unplugged");
    comm.SetDeviceName("COM%d");
    EXPECT_EQ(messageOf([&] { comm.Open(); }),
              "Specified device not found (/dev/ttyUSB-unplugged).");
}

TEST_F(VaCommPort, DeviceInUseIsRefusedWithErrnoText) {
    comm.Open();
    TVaComm second;
    test_support::ConfigureLikeVaComm1(second);
    EXPECT_EQ(messageOf([&] { second.Open(); }), "Can't open specified device " + pty->slavePath() +
                                                     " (Error 16, Device or resource busy)");
    EXPECT_FALSE(second.IsOpen());
    EXPECT_TRUE(comm.IsOpen());
    comm.Close();
    second.Open();
    EXPECT_TRUE(second.IsOpen());
}

TEST_F(VaCommPort, DeviceLockedByAnotherProgramIsRefusedAndLeftSharable) {
    const int other = ::open(pty->slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(messageOf([&] { comm.Open(); }), "Can't open specified device " + pty->slavePath() +
                                                   " (Error 16, Device or resource busy)");
    EXPECT_FALSE(ExclusiveFlagSet(pty->slavePath()));
    ::close(other);
    comm.Open();
    EXPECT_TRUE(ExclusiveFlagSet(pty->slavePath()));
    comm.Close();
    EXPECT_FALSE(ExclusiveFlagSet(pty->slavePath()));
}

TEST_F(VaCommPort, FileThatIsNoTerminalIsRefused) {
    const std::string path = home.path() + "/plain-file";
    std::ofstream(path) << "not a tty";
    comm.SetDeviceName(path);
    EXPECT_EQ(messageOf([&] { comm.Open(); }), "Can't open specified device " + path +
                                                   " (Error 25, Inappropriate ioctl for device)");
    EXPECT_FALSE(comm.IsOpen());
}

// Root opens any device node, so the refusal is checked in a child that gave up root first.
TEST_F(VaCommPort, DeviceWithoutPermissionIsRefusedWithErrnoText) {
    ASSERT_EQ(chmod(pty->slavePath().c_str(), 0600), 0);
    const std::string expected =
        "Can't open specified device " + pty->slavePath() + " (Error 13, Permission denied)";
    if (geteuid() != 0) {
        EXPECT_EQ(messageOf([&] { comm.Open(); }), expected);
        return;
    }
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        comm.SetDeviceName(pty->slavePath());
        const bool dropped = setgid(65534) == 0 && setuid(65534) == 0;
        const std::string message = dropped ? messageOf([&] { comm.Open(); }) : "setuid failed";
        [[maybe_unused]] const ssize_t sent = write(pipeFds[1], message.data(), message.size());
        _exit(0);
    }
    close(pipeFds[1]);
    std::string message;
    char buffer[256];
    for (ssize_t got; (got = read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
        message.append(buffer, static_cast<std::size_t>(got));
    }
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_EQ(message, expected);
}

TEST_F(VaCommPort, CloseFiresOnCloseAndTheDeviceCanBeOpenedAgain) {
    int opens = 0;
    int closes = 0;
    comm.OnOpen = [&](QObject* sender) { opens += sender == &comm; };
    comm.OnClose = [&](QObject* sender) { closes += sender == &comm; };
    comm.Open();
    const auto start = Clock::now();
    comm.Close();
    EXPECT_GE(Clock::now() - start, 250ms);
    EXPECT_FALSE(comm.IsOpen());
    comm.Open();
    EXPECT_EQ(opens, 2);
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(comm.WriteText("x"));
}

TEST_F(VaCommPort, FailingOpenHandlerDoesNotFailOpen) {
    std::string reported;
    comm.OnOpen = [](QObject*) { throw EVaCommError("handler trouble"); };
    comm.OnException = [&](QObject*, const QString& message) { reported = message.toStdString(); };
    comm.Open();
    EXPECT_TRUE(comm.IsOpen());
    EXPECT_EQ(reported, "handler trouble");
}

TEST_F(VaCommPort, SpeedChangeOnAnOpenPortTakesEffectAtOnce) {
    comm.Open();
    comm.SetBaudrate(br19200);
    termios line = pty->slaveSettings();
    EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B19200));
    comm.SetUserBaudrate(230400);
    line = pty->slaveSettings();
    EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B230400));
    EXPECT_EQ(comm.Baudrate(), brUser);
}

TEST_F(VaCommPort, RefusedSpeedOnAnOpenPortKeepsTheOldOne) {
    comm.Open();
    EXPECT_EQ(messageOf([&] { comm.SetUserBaudrate(-1); }),
              "Error writing dcb (22), Invalid argument");
    EXPECT_EQ(comm.Baudrate(), br2400);
    const termios line = pty->slaveSettings();
    EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B2400));
    EXPECT_TRUE(comm.IsOpen());
}

TEST_F(VaCommPort, FlowControlAndEventCharsTakeEffectOnAnOpenPort) {
    comm.Open();
    comm.FlowControl().SetOutCtsFlow(true);
    EXPECT_NE(pty->slaveSettings().c_cflag & CRTSCTS, 0u);
    comm.FlowControl().SetOutCtsFlow(false);
    comm.FlowControl().SetXonXoffOut(true);
    comm.FlowControl().SetXonXoffIn(true);
    comm.EventChars().SetXonChar('Q');
    comm.EventChars().SetXoffChar('S');
    const termios line = pty->slaveSettings();
    EXPECT_EQ(line.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
    EXPECT_EQ(line.c_cc[VSTART], 'Q');
    EXPECT_EQ(line.c_cc[VSTOP], 'S');
    comm.SetOptions({coParityCheck});
    EXPECT_NE(pty->slaveSettings().c_iflag & INPCK, 0u);
}

struct FramingCase {
    va_termios::Parity parity;
    int dataBits;
    va_termios::StopBits stopBits;
    tcflag_t expected;
    friend void PrintTo(const FramingCase& c, std::ostream* os) {
        *os << "parity" << static_cast<int>(c.parity) << "_" << c.dataBits << "bits_stop"
            << static_cast<int>(c.stopBits);
    }
};

class VaCommFraming : public testing::TestWithParam<FramingCase> {};

// A pseudo-terminal keeps only 8 bits without parity, so the framing is checked as built.
TEST_P(VaCommFraming, LineSettingsCarryParityWordSizeAndStopBits) {
    va_termios::LineSettings line;
    line.parity = GetParam().parity;
    line.dataBits = GetParam().dataBits;
    line.stopBits = GetParam().stopBits;
    termios settings{};
    ASSERT_EQ(va_termios::ApplyLineSettings(line, settings), 0);
    constexpr tcflag_t kFraming = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;
    EXPECT_EQ(settings.c_cflag & kFraming, GetParam().expected);
}

using va_termios::Parity;
using va_termios::StopBits;

std::string FramingName(const testing::TestParamInfo<FramingCase>& testCase) {
    const char* parityNames[] = {"None", "Odd", "Even", "Mark", "Space"};
    const char* stopNames[] = {"One", "OneAndHalf", "Two"};
    return std::string(parityNames[static_cast<int>(testCase.param.parity)]) +
           std::to_string(testCase.param.dataBits) +
           stopNames[static_cast<int>(testCase.param.stopBits)];
}

INSTANTIATE_TEST_SUITE_P(
    VaComm, VaCommFraming,
    testing::Values(FramingCase{Parity::None, 8, StopBits::One, CS8},
                    FramingCase{Parity::Odd, 7, StopBits::One, CS7 | PARENB | PARODD},
                    FramingCase{Parity::Even, 7, StopBits::Two, CS7 | PARENB | CSTOPB},
                    FramingCase{Parity::Mark, 8, StopBits::One, CS8 | PARENB | CMSPAR | PARODD},
                    FramingCase{Parity::Space, 6, StopBits::One, CS6 | PARENB | CMSPAR},
                    FramingCase{Parity::None, 5, StopBits::Two, CS5 | CSTOPB}),
    FramingName);

TEST_F(VaCommPort, FramingIsAppliedOnOpenAndWhileOpen) {
    comm.SetStopbits(sb2);
    comm.SetParity(paMark);
    comm.Open();
    EXPECT_NE(pty->slaveSettings().c_cflag & CSTOPB, 0u);
    EXPECT_NE(pty->slaveSettings().c_cflag & CMSPAR, 0u);
    comm.SetStopbits(sb1);
    comm.SetParity(paNone);
    EXPECT_EQ(pty->slaveSettings().c_cflag & (CSTOPB | CMSPAR), 0u);
}

// Test names for the rates of TVaBaudrate, in its order.
const char* const kBaudNames[] = {"User",  "110",    "300",    "600",   "1200",  "2400",
                                  "4800",  "9600",   "14400",  "19200", "38400", "56000",
                                  "57600", "115200", "128000", "256000"};

struct RefusedCase {
    TVaDatabits databits;
    TVaStopbits stopbits;
    TVaBaudrate baudrate;
    friend void PrintTo(const RefusedCase& c, std::ostream* os) {
        *os << "db" << c.databits << "_sb" << c.stopbits << "_br" << c.baudrate;
    }
};

std::string RefusedName(const testing::TestParamInfo<RefusedCase>& testCase) {
    const char* stopNames[] = {"1", "1_5", "2"};
    return "Databits" + std::to_string(4 + testCase.param.databits) + "_Stopbits" +
           stopNames[testCase.param.stopbits] + "_Baud" + kBaudNames[testCase.param.baudrate];
}

class VaCommRefusedLine : public test_support::PtyPortTest,
                          public testing::WithParamInterface<RefusedCase> {};

TEST_P(VaCommRefusedLine, OpenFailsWithWriteDcbAndReleasesTheDevice) {
    comm.SetDatabits(GetParam().databits);
    comm.SetStopbits(GetParam().stopbits);
    comm.SetBaudrate(GetParam().baudrate);
    EXPECT_EQ(messageOf([&] { comm.Open(); }), "Error writing dcb (22), Invalid argument");
    EXPECT_FALSE(comm.IsOpen());
    EXPECT_FALSE(ExclusiveFlagSet(pty->slavePath()));
    TVaComm other;
    test_support::ConfigureLikeVaComm1(other);
    other.Open();
    EXPECT_TRUE(other.IsOpen());
}

INSTANTIATE_TEST_SUITE_P(VaComm, VaCommRefusedLine,
                         testing::Values(RefusedCase{db8, sb15, br2400},
                                         RefusedCase{db5, sb15, br2400},
                                         RefusedCase{db4, sb1, br2400}),
                         RefusedName);

struct SpeedCase {
    TVaBaudrate baudrate;
    speed_t code;
    friend void PrintTo(const SpeedCase& c, std::ostream* os) { *os << "br" << c.baudrate; }
};

std::string SpeedName(const testing::TestParamInfo<SpeedCase>& testCase) {
    return std::string("Baud") + kBaudNames[testCase.param.baudrate];
}

class VaCommSpeed : public test_support::PtyPortTest,
                    public testing::WithParamInterface<SpeedCase> {};

TEST_P(VaCommSpeed, OpenSetsEveryTableSpeedThePlatformHas) {
    comm.SetBaudrate(GetParam().baudrate);
    comm.Open();
    const termios line = pty->slaveSettings();
    EXPECT_EQ(cfgetospeed(&line), GetParam().code);
    EXPECT_EQ(cfgetispeed(&line), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(VaComm, VaCommSpeed,
                         testing::Values(SpeedCase{br110, B110}, SpeedCase{br300, B300},
                                         SpeedCase{br600, B600}, SpeedCase{br1200, B1200},
                                         SpeedCase{br2400, B2400}, SpeedCase{br4800, B4800},
                                         SpeedCase{br9600, B9600}, SpeedCase{br19200, B19200},
                                         SpeedCase{br38400, B38400}, SpeedCase{br57600, B57600},
                                         SpeedCase{br115200, B115200}),
                         SpeedName);

// Speeds outside the classic table go through termios2 and read back exactly.
TEST_F(VaCommPort, SpeedsOutsideTheTableAreSetAndReadBack) {
    const std::pair<TVaBaudrate, std::int64_t> speeds[] = {
        {br14400, 14400}, {br56000, 56000}, {br128000, 128000}, {br256000, 256000}};
    const int slave = ::open(pty->slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    for (const auto& [baudrate, bitsPerSecond] : speeds) {
        comm.SetBaudrate(baudrate);
        if (!comm.IsOpen()) {
            comm.Open();
        }
        EXPECT_EQ(va_termios::ReadSpeed(slave), bitsPerSecond);
    }
    comm.SetUserBaudrate(31250);
    EXPECT_EQ(va_termios::ReadSpeed(slave), 31250);
    comm.SetBaudrate(br9600);
    EXPECT_EQ(va_termios::ReadSpeed(slave), 9600);
    EXPECT_EQ(messageOf([&] { comm.SetUserBaudrate(-1); }),
              "Error writing dcb (22), Invalid argument");
    EXPECT_EQ(va_termios::ReadSpeed(slave), 9600);
    ::close(slave);
}

TEST_F(VaCommPort, WithoutUpdateDcbTheLineIsLeftAloneButReadsStillReturnAtOnce) {
    comm.SetUpdateDCB(false);
    comm.Open();
    const termios line = pty->slaveSettings();
    EXPECT_NE(line.c_lflag & ICANON, 0u);
    char ch = 0;
    const auto start = Clock::now();
    EXPECT_FALSE(comm.ReadChar(ch));
    EXPECT_LT(Clock::now() - start, 200ms);
}

TEST_F(VaCommPort, VanishedDeviceRaisesReadAndWriteErrorsAndCanBeReopened) {
    comm.Open();
    pty->closeMaster();
    char ch = 0;
    EXPECT_EQ(messageOf([&] { comm.ReadChar(ch); }), "Read error (5), Input/output error");
    EXPECT_EQ(messageOf([&] { comm.WriteText("G=000000000000\r"); }),
              "Write error (5), Input/output error");
    EXPECT_EQ(messageOf([&] { comm.InQueCount(); }),
              "Error retrieving statistics (5), Input/output error");
    EXPECT_TRUE(comm.IsOpen());
    comm.Close();
    EXPECT_FALSE(comm.IsOpen());
    replacePty();
    comm.Open();
    EXPECT_TRUE(comm.WriteText("PI=ABCD\r"));
    EXPECT_EQ(pty->readMaster(8, 2s), "PI=ABCD\r");
}

// A reader that stops: what the device does not take within WriteTimeout is kept and finished
// before anything later, later text is refused whole meanwhile, and the far end receives every
// byte once, in order, with no command cut in two.
TEST_F(VaCommPort, AStalledReaderNeverReceivesACommandCutInTwo) {
    comm.Close();
    TVaBuffers buffers;
    buffers.SetWriteTimeout(300);
    comm.SetBuffers(buffers);
    comm.Open();
    const std::string filler(64 * 1024, '#');
    const auto start = Clock::now();
    EXPECT_EQ(comm.WriteBuf(filler.data(), static_cast<int>(filler.size())),
              static_cast<int>(filler.size()));
    const auto held = Clock::now() - start;
    EXPECT_GE(held, 250ms);
    EXPECT_LT(held, 3s);
    EXPECT_GT(comm.PendingBytes(), 0);
    EXPECT_FALSE(comm.WriteText("G=111111111111\r"));  // refused whole while bytes wait
    // The reader takes up again; the next command is offered on every tick until taken.
    const std::string command = "G=222222222222\r";
    const std::size_t total = filler.size() + command.size();
    std::string received;
    bool taken = false;
    for (int tick = 0; tick < 200 && received.size() < total; ++tick) {
        received += pty->readMaster(total - received.size(), 20ms);
        taken = taken || comm.WriteBuf(command.data(), static_cast<int>(command.size())) > 0;
    }
    EXPECT_TRUE(taken);
    EXPECT_EQ(received.size(), total);
    EXPECT_TRUE(received == filler + command)
        << "the stream differs at "
        << std::mismatch(received.begin(), received.end(), (filler + command).begin()).first -
               received.begin();
    EXPECT_EQ(comm.PendingBytes(), 0);
}

// Close drops what the port kept for a stalled reader: the next line opened under the same
// name receives only what is written after the open, and kept bytes are offered again only
// while the port is open.
TEST_F(VaCommPort, CloseDropsKeptBytesSoTheNextLineNeverReceivesThem) {
    comm.Close();
    TVaBuffers buffers;
    buffers.SetWriteTimeout(0);
    comm.SetBuffers(buffers);
    comm.Open();
    pty->fillFromSlave();
    EXPECT_FALSE(comm.WriteText("G=111111111111\r"));
    EXPECT_EQ(comm.PendingBytes(), 15);
    EXPECT_FALSE(comm.FlushPending());
    comm.Close();
    EXPECT_EQ(comm.PendingBytes(), 0);
    EXPECT_TRUE(comm.FlushPending());
    replacePty();
    comm.Open();
    EXPECT_TRUE(comm.WriteText("G=222222222222\r"));
    EXPECT_EQ(pty->readMaster(30, 300ms), "G=222222222222\r");
}

TEST_F(VaCommPort, BufferedWritesGoOutThroughTheWriterThread) {
    comm.Close();
    comm.SetDirectWrite(false);
    comm.Open();
    EXPECT_TRUE(comm.WriteText("G=0123456789AB\r"));
    EXPECT_EQ(pty->readMaster(15, 2s), "G=0123456789AB\r");
}

TEST_F(VaCommPort, BufferedWritesRaiseWhenTheBufferStaysFull) {
    comm.SetDirectWrite(false);
    TVaBuffers buffers;
    buffers.SetWriteSize(256);
    buffers.SetWriteTimeout(100);
    comm.SetBuffers(buffers);
    comm.Open();
    const std::string chunk(256, 'x');
    std::string message;
    for (int i = 0; i < 1000 && message.empty(); ++i) {
        message = messageOf([&] { comm.WriteText(chunk); });
        if (message == "(nothing raised)") {
            message.clear();
        }
    }
    EXPECT_EQ(message, "Output buffer is full. Please check comm status.");
}

}  // namespace
