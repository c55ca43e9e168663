#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <fstream>

#include "VaComm.h"
#include "VaCommDeviceMap.h"
#include "support/pty_config_home.h"

using namespace va_device_map;
using test_support::PtyConfigHome;

namespace {

struct FormatCase {
    const char* pattern;
    int port;
    const char* expected;
    friend void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.expected; }
};

class DeviceNameFormat : public testing::TestWithParam<FormatCase> {};

TEST_P(DeviceNameFormat, PutsThePortNumberIntoThePatternOnly) {
    EXPECT_EQ(FormatDeviceName(GetParam().pattern, GetParam().port), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(VaCommDeviceMap, DeviceNameFormat,
                         testing::Values(FormatCase{"COM%d", 3, "COM3"},
                                         FormatCase{R"(\\.\COM%d)", 10, R"(\\.\COM10)"},
                                         FormatCase{"/dev/ttyUSB0", 5, "/dev/ttyUSB0"},
                                         FormatCase{"%s%n%x", 1, "%s%n%x"},
                                         FormatCase{"100%%-%u", 2, "100%-2"},
                                         FormatCase{"COM%d%", 4, "COM4%"},
                                         FormatCase{"COM%d", 2147483647, "COM2147483647"}),
                         [](const testing::TestParamInfo<FormatCase>& testCase) {
                             // The expected name, its runs of other characters as one '_'.
                             std::string name;
                             for (const char* c = testCase.param.expected; *c != '\0'; ++c) {
                                 if (std::isalnum(static_cast<unsigned char>(*c)) != 0) {
                                     name += *c;
                                 } else if (!name.empty() && name.back() != '_') {
                                     name += '_';
                                 }
                             }
                             return name;
                         });

TEST(VaCommDeviceMap, RecognisesComPortNamesInAnyCase) {
    EXPECT_EQ(ComPortNumber("COM1"), 1);
    EXPECT_EQ(ComPortNumber("com12"), 12);
    EXPECT_EQ(ComPortNumber("Com255"), 255);
    EXPECT_FALSE(ComPortNumber("COM0"));
    EXPECT_FALSE(ComPortNumber("COM01"));
    EXPECT_FALSE(ComPortNumber("COM"));
    EXPECT_FALSE(ComPortNumber("COM1x"));
    EXPECT_FALSE(ComPortNumber("LPT1"));
    EXPECT_FALSE(ComPortNumber("/dev/COM1"));
    EXPECT_FALSE(ComPortNumber("COM99999999999"));
}

TEST(VaCommDeviceMap, FolderFollowsXdgConfigHome) {
    PtyConfigHome home;
    EXPECT_EQ(DeviceMapFolder(), home.path() + "/tolvane/comports");
}

TEST(VaCommDeviceMap, FolderFallsBackToDotConfigForARelativeXdgConfigHome) {
    PtyConfigHome home;
    setenv("XDG_CONFIG_HOME", "relative/dir", 1);
    const char* userHome = std::getenv("HOME");
    ASSERT_NE(userHome, nullptr);
    EXPECT_EQ(DeviceMapFolder(), std::string(userHome) + "/.config/tolvane/comports");
}

TEST(VaCommDeviceMap, UnmappedComPortIsTheSerialDeviceBelowIt) {
    PtyConfigHome home;
    EXPECT_EQ(ResolveDevicePath("COM1"), "/dev/ttyS0");
    EXPECT_EQ(ResolveDevicePath(R"(\\.\COM10)"), "/dev/ttyS9");
    EXPECT_EQ(ResolveDevicePath("com3"), "/dev/ttyS2");
}

TEST(VaCommDeviceMap, MappedComPortIsTheLinkTarget) {
    PtyConfigHome home;
    home.linkPort(3, "/dev/ttyUSB0");
    home.linkPort(12, "../../devices/ttyACM1");
    EXPECT_EQ(ResolveDevicePath("COM3"), "/dev/ttyUSB0");
    EXPECT_EQ(ResolveDevicePath(R"(\\.\COM12)"), home.mapFolder() + "/../../devices/ttyACM1");
    EXPECT_EQ(ResolveDevicePath("COM4"), "/dev/ttyS3");
}

TEST(VaCommDeviceMap, FileThatIsNoLinkDoesNotMapThePort) {
    PtyConfigHome home;
    std::ofstream(home.mapFolder() + "/com5") << "/dev/ttyUSB3\n";
    EXPECT_EQ(ResolveDevicePath("COM5"), "/dev/ttyS4");
}

TEST(VaCommDeviceMap, OtherNamesAreUsedAsPathsWhenAbsolute) {
    PtyConfigHome home;
    EXPECT_EQ(ResolveDevicePath("/dev/ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(ResolveDevicePath(R"(\\.\/dev/ttyACM0)"), "/dev/ttyACM0");
}

// A name that is no port and no absolute path would open a file of the host's current folder.
TEST(VaCommDeviceMap, NamesThatLeadNowhereAreRefusedWhenTheyOpen) {
    PtyConfigHome home;
    for (const char* name : {"COM0", "COM01", R"(\\.\COM0)", "ttyUSB0", ""}) {
        EXPECT_EQ(ResolveDevicePath(name), std::nullopt) << name;
        TVaComm comm;
        comm.SetDeviceName(name);
        try {
            comm.Open();
            ADD_FAILURE() << name << " opened";
        } catch (const EVaCommError& error) {
            EXPECT_EQ(error.what(), "Specified device not found (" + std::string(name) + ").");
        }
    }
    TVaComm twice;
    twice.SetPortNum(1);
    twice.SetDeviceName("COM%d%d");
    EXPECT_THROW(twice.Open(), EVaCommError);
}

TEST(VaCommDeviceMap, DevicePathOfTheComponentFormatsThenMaps) {
    PtyConfigHome home;
    home.linkPort(10, "/dev/ttyUSB1");
    TVaComm comm;
    comm.SetPortNum(10);
    comm.SetDeviceName(R"(\\.\COM%d)");
    EXPECT_EQ(comm.DevicePath(), "/dev/ttyUSB1");
    comm.SetPortNum(2);
    comm.SetDeviceName("COM%d");
    EXPECT_EQ(comm.DevicePath(), "/dev/ttyS1");
}

// The port number runs from 0, the default, to the largest 32-bit value; 0 formats into the
// device name like any other number (a name that then leads nowhere is refused at Open).
TEST(VaComm, TakesEveryPortNumberFromZeroToTheLargest) {
    TVaComm comm;
    for (const TVaPortInt port : {7, 0, 1, 2147483647, 0}) {
        EXPECT_NO_THROW(comm.SetPortNum(port)) << port;
        EXPECT_EQ(comm.PortNum(), port);
    }
    comm.SetDeviceName("/dev/ttyUSB%d");
    EXPECT_EQ(comm.DevicePath(), "/dev/ttyUSB0");
}

}  // namespace
