// Groups per second at the encoder for each way of pacing the output, against the nominal
// rate of its send interval, within generous bounds: timers on a busy machine run late, never
// early.
#include "blackbox_fixture.h"

namespace blackbox {
namespace {

using namespace std::chrono_literals;

struct PacingCase {
    const char* name;
    EncoderChoice choice;
    // What the encoder answers to each command; empty for nothing.
    const char* reply;
    int groupsToTime;
    double nominalPerSecond;
};

const EncoderChoice kUnpaced4800{false, false, true, true, true, 2};
const EncoderChoice kUnpaced2400{false, false, true, true, true, 1};
const EncoderChoice kUnpaced1200{false, false, true, true, true, 0};
const EncoderChoice kLimited{false, true, true, true, true, 2};
const EncoderChoice kBidirectional{true, false, true, true, true, 2};
const EncoderChoice kBidirectionalLimited{true, true, true, true, true, 2};

class OutputPacing : public BlackBox, public ::testing::WithParamInterface<PacingCase> {
protected:
    // Queues more groups than the timing needs, then times the commands that arrive.
    CommandPace Measure(LoopbackEncoder& encoder, const PacingCase& pacing) const {
        encoder.AnswerEachCommandWith(pacing.reply);
        for (int i = 0; i < pacing.groupsToTime + 4; ++i) {
            driver.RDSGroup(Group(0x1234, 0x8000, i, 0));
        }
        const std::size_t bytes = static_cast<std::size_t>(pacing.groupsToTime) * 15;
        encoder.WaitForBytes(bytes, 15s);
        return PaceOfGroupCommands(encoder.Arrivals());
    }
};

TEST_P(OutputPacing, SendsAtTheNominalRateOfItsMode) {
    const PacingCase& pacing = GetParam();
    LoopbackEncoder encoder;
    TickEveryGroupType(true);
    ASSERT_TRUE(Connect(encoder, pacing.choice));
    const CommandPace pace = Measure(encoder, pacing);
    ASSERT_GE(pace.groups, pacing.groupsToTime);
    EXPECT_GT(pace.GroupsPerSecond(), pacing.nominalPerSecond * 0.6);
    EXPECT_LT(pace.GroupsPerSecond(), pacing.nominalPerSecond * 1.1);
}

// 88, 130 and 260 ms between ticks; an acknowledged command lets the next group go once 60 ms
// have passed, on a 20 ms tick, which makes 65 to 80 ms a group.
INSTANTIATE_TEST_SUITE_P(
    Modes, OutputPacing,
    ::testing::Values(PacingCase{"Interval88At4800", kUnpaced4800, "", 12, 1000.0 / 88},
                      PacingCase{"Interval130At2400", kUnpaced2400, "", 9, 1000.0 / 130},
                      PacingCase{"Interval260At1200", kUnpaced1200, "", 6, 1000.0 / 260},
                      PacingCase{"RateLimit", kLimited, "", 6, 1000.0 / 260},
                      PacingCase{"UnansweredBidirectional", kBidirectional, "", 6, 1000.0 / 260},
                      PacingCase{"OtherReplyIsNoAcknowledgement", kBidirectional, "\r\n!\r\n\r\n",
                                 6, 1000.0 / 260},
                      PacingCase{"Acknowledged", kBidirectional, "\r\n+\r\n\r\n", 12, 1000.0 / 65},
                      PacingCase{"AcknowledgedAfterAnEcho", kBidirectional, "G=ECHO\r\n+\r\n\r\n",
                                 12, 1000.0 / 65},
                      PacingCase{"AcknowledgementIgnoredUnderTheLimit", kBidirectionalLimited,
                                 "\r\n+\r\n\r\n", 6, 1000.0 / 260}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

}  // namespace
}  // namespace blackbox
