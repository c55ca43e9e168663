#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "output/connection_state.h"
#include "output/encoder_command.h"
#include "output/encoder_reply.h"

namespace {

using namespace encoder_output;

TEST(EncoderCommand, TextsAreUpperCaseHexZeroPaddedAndEndWithCr) {
    EXPECT_EQ(GroupCommand(0x2400, 0x4142, 0x4344), "G=240041424344\r");
    EXPECT_EQ(GroupCommand(0, 0, 0xABC), "G=000000000ABC\r");
    EXPECT_EQ(PiCommand(0x00ab), "PI=00AB\r");
    EXPECT_EQ(PiCommand(0xFFFF), "PI=FFFF\r");
    const std::vector<std::tuple<KeepOptions, int32_t>> masks = {{{false, false, false}, 0xFFFF},
                                                                 {{false, true, false}, 0xFC1F},
                                                                 {{false, false, true}, 0xFBFF},
                                                                 {{false, true, true}, 0xF81F}};
    for (const auto& [keep, expected] : masks) {
        EXPECT_EQ(ApplyKeepMasks(0xFFFF, keep), expected);
    }
}

// Where a closed port cut a group's text decides whether the encoder holds a fragment that the
// next line must cancel.
TEST(EncoderCommand, TellsWhetherACutLeftAFragmentOfACommand) {
    const std::string text = "PI=2222\rG=200241424344\r";
    const std::vector<std::tuple<std::size_t, bool>> cuts = {
        {text.size(), false},      // nothing reached the device
        {text.size() + 5, false},  // more dropped than the text holds
        {text.size() - 1, true},   // "P"
        {15, false},               // the PI command whole
        {14, true},                // the PI command and "G"
        {1, true},                 // the group command less its CR
        {0, false}};               // everything reached it
    for (const auto& [dropped, inside] : cuts) {
        EXPECT_EQ(EndsInsideACommand(text, dropped), inside) << dropped;
    }
    EXPECT_FALSE(EndsInsideACommand("", 0));
}

struct PiCase {
    const char* name;
    int32_t block1;
    bool keepPi;
    int32_t currentPI, lastSentPI;  // before
    bool command;
    int32_t currentAfter, lastAfter;
};

class PiStep : public testing::TestWithParam<PiCase> {};

TEST_P(PiStep, SendsThePiOnlyWhenItChangedAndIsNotKept) {
    const PiCase& c = GetParam();
    const RdsGroupRecord group{0, 0, 0, c.block1, 0x2400, 1, 2};
    const SendPlan plan = PlanSend(group, {c.keepPi, false, false}, c.currentPI, c.lastSentPI);
    EXPECT_EQ(plan.piCommand.has_value(), c.command);
    if (plan.piCommand) {
        EXPECT_EQ(*plan.piCommand, PiCommand(c.block1));
    }
    EXPECT_EQ(plan.currentPI, c.currentAfter);
    EXPECT_EQ(plan.lastSentPI, c.lastAfter);
    EXPECT_EQ(plan.groupCommand, "G=240000010002\r");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PiStep,
    testing::Values(PiCase{"AfterClear", 0x1234, false, -1, -1, true, 0x1234, 0x1234},
                    PiCase{"SamePiAgain", 0x1234, false, 0x1234, 0x1234, false, 0x1234, 0x1234},
                    PiCase{"PiZeroRightAfterLoad", 0, false, 0, 0, false, 0, 0},
                    PiCase{"NegativePiKeepsCurrent", -1, false, 7, 7, false, 7, 7},
                    PiCase{"HighestPi", 0xFFFF, false, 7, 7, true, 0xFFFF, 0xFFFF},
                    PiCase{"JustAboveTheHighestPi", 0x10000, false, 7, 7, false, 0x10000, 0x10000},
                    PiCase{"PiAboveSixteenBits", 70000, false, 7, 7, false, 70000, 70000},
                    PiCase{"SameLargePiAgain", 70000, false, 70000, 70000, false, 70000, 70000},
                    PiCase{"KeptPiNeverSent", 0x1234, true, -1, -1, false, 0x1234, -1}),
    [](const testing::TestParamInfo<PiCase>& param) { return std::string(param.param.name); });

TEST(SendPacing, IntervalRuleAndSpacing) {
    // speed item, limit, selected link, bidirectional -> interval
    const std::vector<std::tuple<int, bool, LinkKind, bool, int32_t>> rules = {
        {2, false, lkTcp, false, 88},    {-1, false, lkTcp, false, 88},
        {1, false, lkTcp, false, 130},   {0, false, lkSerial, false, 260},
        {4, true, lkSerial, false, 260}, {3, false, lkNone, false, 260},
        {1, false, lkTcp, true, 260}};
    for (const auto& [speed, limit, link, bidi, interval] : rules) {
        EXPECT_EQ(ChooseSendInterval(speed, limit, link, bidi), interval)
            << speed << limit << link << bidi;
    }
    EXPECT_TRUE(SpacingAllows(std::nullopt, 0));
    EXPECT_FALSE(SpacingAllows(1000, 1040));
    EXPECT_FALSE(SpacingAllows(1000, 1059));
    EXPECT_TRUE(SpacingAllows(1000, 1060));
    EXPECT_TRUE(SpacingAllows(1000, 900));  // a clock set back does not stop output
}

// Positions (1-based, in the stream) at which the acknowledgement is recognised; `clearAt`
// empties the reply text before that position, as a command written in between does.
std::vector<std::size_t> AckPositions(const std::string& stream, std::size_t clearAt = 0) {
    ReplyText reply;
    std::vector<std::size_t> found;
    for (std::size_t i = 0; i < stream.size(); ++i) {
        if (i + 1 == clearAt) {
            reply.Clear();
        }
        if (reply.Append(stream[i])) {
            found.push_back(i + 1);
            reply.Clear();
        }
    }
    return found;
}

TEST(ReplyText, FindsEachAcknowledgementWhateverSurroundsIt) {
    const std::string ack(kEncoderAck);
    EXPECT_EQ(AckPositions(ack), (std::vector<std::size_t>{7}));
    EXPECT_EQ(AckPositions("G=240041424344\r" + ack), (std::vector<std::size_t>{22}));
    EXPECT_EQ(AckPositions(ack + ack), (std::vector<std::size_t>{7, 14}));
    EXPECT_EQ(AckPositions("\r\n!\r\n\r\n\r\n-\r\n\r\n"), std::vector<std::size_t>{});
    EXPECT_EQ(AckPositions(ack, 4), std::vector<std::size_t>{});  // half, a command, the rest
    ReplyText reply;
    for (char c : std::string(100000, 'x')) {
        reply.Append(c);
    }
    EXPECT_LE(reply.Tail().size(), kEncoderAck.size());
}

TEST(TcpReceiveText, KeepsAtMostItsCapacityAndGivesBytesBackInOrder) {
    TcpReceiveText text;
    std::string bytes;
    for (int i = 0; i < 100000; ++i) {
        bytes.push_back(static_cast<char>(i % 251));
    }
    text.Append(bytes);
    EXPECT_EQ(text.Size(), TcpReceiveText::kCapacity);
    EXPECT_EQ(text.Dropped(), bytes.size() - TcpReceiveText::kCapacity);
    for (std::size_t i = 0; i < 1000; ++i) {
        ASSERT_EQ(text.Take(), bytes[i]);
    }
    text.Append("ab");  // room again for what was taken
    EXPECT_EQ(text.Size(), TcpReceiveText::kCapacity - 1000 + 2);
}

struct Step {
    const char* event;
    LinkKind active, selected;
    bool retry, update;
    const char* status;
};

class ConnectionTransitions : public testing::Test {
protected:
    void Apply(const std::string& event) {
        if (event == "serial") {
            state.BeginUpdate(0);
            state.SerialOpened(3);
        } else if (event == "serial fails") {
            state.BeginUpdate(0);
            state.SerialOpenFailed();
        } else if (event == "tcp") {
            state.BeginUpdate(1);
            state.TcpAttemptStarting();
        } else if (event == "none") {
            state.BeginUpdate(2);
            state.NoLinkChosen();
        } else if (event == "connected") {
            state.TcpConnected("127.0.0.1", 23);
        } else if (event == "dropped") {
            state.TcpDisconnected();
        } else if (event == "error") {
            state.TcpError("Connection refused");
        } else if (event == "write fails") {
            state.SerialFailed("Input/output error");
        } else if (event == "disconnect") {
            state.Disconnect();
        } else if (event == "shutdown") {
            state.Shutdown();
            state.TcpDisconnected();
        }
    }
    void Run(const std::vector<Step>& steps) {
        for (const Step& step : steps) {
            Apply(step.event);
            EXPECT_EQ(state.ActiveLink, step.active) << step.event;
            EXPECT_EQ(state.SelectedLink, step.selected) << step.event;
            EXPECT_EQ(state.TcpRetryEnabled, step.retry) << step.event;
            EXPECT_EQ(state.UpdateEnabled, step.update) << step.event;
            EXPECT_EQ(state.Status, step.status) << step.event;
        }
    }
    ConnectionState state;
};

TEST_F(ConnectionTransitions, Tcp) {
    Run({{"tcp", lkNone, lkTcp, false, false, "Connecting..."},
         {"dropped", lkNone, lkTcp, true, false, "Not connected"},
         {"error", lkNone, lkTcp, true, false, "TCP/IP Error: Connection refused"},
         {"connected", lkTcp, lkTcp, false, false, "Connected to 127.0.0.1:23"},
         {"dropped", lkNone, lkTcp, true, false, "Not connected"},
         {"connected", lkTcp, lkTcp, false, false, "Connected to 127.0.0.1:23"},
         {"shutdown", lkTcp, lkNone, false, false, "Connected to 127.0.0.1:23"}});
}

TEST_F(ConnectionTransitions, SerialAndNoLink) {
    Run({{"serial fails", lkNone, lkSerial, false, true, "Unable to open the RS232 port"},
         {"serial", lkSerial, lkSerial, false, false, "COM3 opened"},
         {"write fails", lkNone, lkSerial, false, true, "RS232 Error: Input/output error"},
         {"serial", lkSerial, lkSerial, false, false, "COM3 opened"},
         {"tcp", lkSerial, lkTcp, false, false, "Connecting..."},
         {"none", lkNone, lkNone, false, true, "Not connected"},
         {"disconnect", lkNone, lkNone, false, true, "Not connected"}});
}

}  // namespace
