// The commands that reach a TCP encoder, byte for byte, from groups handed to RDSGroup.
#include "blackbox_fixture.h"

namespace blackbox {
namespace {

using namespace std::chrono_literals;

class EncoderCommands : public BlackBox {
protected:
    // A workspace that names the encoder, with the rate limit, the replies and the kept PI off;
    // every other setting, the group list among them, comes from the restore's defaults.
    void OpenWorkspaceFor(const LoopbackEncoder& encoder) const {
        const int32_t workspace = FreshWorkspace();
        SaveInteger(workspace, "tolvane", "ConnectionType", 1);
        SaveInteger(workspace, "tolvane", "Bidirectional", 0);
        SaveInteger(workspace, "tolvane", "Limit", 0);
        SaveInteger(workspace, "tolvane", "KeepPI", 0);
        SavePChar(workspace, "tolvane", "Port", std::to_string(encoder.Port()).c_str());
        driver.Command("OPENWORKSPACE", workspace);
    }
    // One group of each of the types 0A, 1A, 2A, 3A, 4A, 8A and 15B, PTY and TP set in some.
    void SendOneOfEachType() const {
        driver.RDSGroup(Group(0xD3A7, 0x0408, 0x1111, 0x2222));
        driver.RDSGroup(Group(0xD3A7, 0x17FF, 0x4142, 0x4344));
        driver.RDSGroup(Group(0xD3A7, 0x2000, 0x0000, 0x0000));
        driver.RDSGroup(Group(0xD3A7, 0x3412, 0x0000, 0xFFFF));
        driver.RDSGroup(Group(0xD3A7, 0x4001, 0x0001, 0x0002));
        driver.RDSGroup(Group(0x6204, 0x8000, 0xABCD, 0x00EF));
        driver.RDSGroup(Group(0x6204, 0xF800, 0x0001, 0x0001));
    }
};

// The restore's group list passes 1A, 3A and 8A of these; PTY and TP are kept by default.
TEST_F(EncoderCommands, GroupsTheDefaultFilterSelectsGoOutByteForByte) {
    LoopbackEncoder encoder;
    OpenWorkspaceFor(encoder);
    ASSERT_TRUE(encoder.Accept());
    ASSERT_TRUE(WaitForStatus(ConnectedText(encoder)));
    SendOneOfEachType();
    const std::string expected =
        "PI=D3A7\rG=101F41424344\rG=30120000FFFF\rPI=6204\rG=8000ABCD00EF\r";
    EXPECT_EQ(encoder.WaitForBytes(expected.size()), expected);
}

TEST_F(EncoderCommands, AnUntickedGroupTypeIsNotSent) {
    LoopbackEncoder encoder;
    OpenWorkspaceFor(encoder);
    ASSERT_TRUE(encoder.Accept());
    ASSERT_TRUE(WaitForStatus(ConnectedText(encoder)));
    driver.TickGroup(2, false);  // 1A
    SendOneOfEachType();
    const std::string expected = "PI=D3A7\rG=30120000FFFF\rPI=6204\rG=8000ABCD00EF\r";
    EXPECT_EQ(encoder.WaitForBytes(expected.size()), expected);
}

TEST_F(EncoderCommands, PiGoesOutOnlyWhenItDiffersFromTheLastOneDealtWith) {
    LoopbackEncoder encoder;
    TickEveryGroupType(true);
    ASSERT_TRUE(Connect(encoder));
    const int32_t pis[] = {0x1234, 0x1234, 0x5678, -1, 70000, 70000, 0x5678};
    for (int32_t i = 0; i < 7; ++i) {
        driver.RDSGroup(Group(pis[i], 0x8000, i, 0));
    }
    const std::string expected =
        "PI=1234\rG=800000000000\rG=800000010000\rPI=5678\rG=800000020000\rG=800000030000\r"
        "G=800000040000\rG=800000050000\rPI=5678\rG=800000060000\r";
    EXPECT_EQ(encoder.WaitForBytes(expected.size()), expected);
    EXPECT_EQ(driver.Text("LS"), "7");
}

// The last PI dealt with starts at 0 when the library is loaded.
TEST_F(EncoderCommands, AFirstGroupWithPiZeroAfterLoadingSendsNoPi) {
    LoopbackEncoder encoder;
    TickEveryGroupType(true);
    ASSERT_TRUE(Connect(encoder));
    driver.RDSGroup(Group(0x0000, 0x8000, 1, 2));
    driver.RDSGroup(Group(0x0001, 0x8000, 3, 4));
    const std::string expected = "G=800000010002\rPI=0001\rG=800000030004\r";
    EXPECT_EQ(encoder.WaitForBytes(expected.size()), expected);
}

TEST_F(EncoderCommands, AKeptPiIsNeverSent) {
    LoopbackEncoder encoder;
    TickEveryGroupType(true);
    EncoderChoice choice;
    choice.keepPI = true;
    ASSERT_TRUE(Connect(encoder, choice));
    driver.RDSGroup(Group(0x1234, 0x8000, 1, 2));
    driver.RDSGroup(Group(0x5678, 0x8000, 3, 4));
    const std::string expected = "G=800000010002\rG=800000030004\r";
    EXPECT_EQ(encoder.WaitForBytes(expected.size() + 8, 1s), expected);
}

struct KeepMaskCase {
    const char* name;
    bool keepPTY;
    bool keepTP;
    const char* command;
};

class EncoderKeepMasks : public EncoderCommands,
                         public ::testing::WithParamInterface<KeepMaskCase> {};

TEST_P(EncoderKeepMasks, ClearOnlyTheKeptFieldsOfBlock2) {
    LoopbackEncoder encoder;
    TickEveryGroupType(true);
    EncoderChoice choice;
    choice.keepPI = true;
    choice.keepPTY = GetParam().keepPTY;
    choice.keepTP = GetParam().keepTP;
    ASSERT_TRUE(Connect(encoder, choice));
    driver.RDSGroup(Group(0x1234, 0xFFFF, 0, 0));
    EXPECT_EQ(encoder.WaitForBytes(15), GetParam().command);
}

INSTANTIATE_TEST_SUITE_P(Block2, EncoderKeepMasks,
                         ::testing::Values(KeepMaskCase{"Neither", false, false,
                                                        "G=FFFF00000000\r"},
                                           KeepMaskCase{"PtyOnly", true, false, "G=FC1F00000000\r"},
                                           KeepMaskCase{"TpOnly", false, true, "G=FBFF00000000\r"},
                                           KeepMaskCase{"Both", true, true, "G=F81F00000000\r"}),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

}  // namespace
}  // namespace blackbox
