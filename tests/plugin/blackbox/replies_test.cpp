// What the plug-in makes of the encoder's replies in bidirectional mode: the acknowledgement
// lets the next group go early, anything else leaves the 260 ms countdown in charge.
#include "blackbox_fixture.h"

namespace blackbox {
namespace {

using namespace std::chrono_literals;

const EncoderChoice kBidirectional{true, false, true, true, true, 2};

class EncoderReplies : public BlackBox {
protected:
    void SetUp() override {
        BlackBox::SetUp();
        TickEveryGroupType(true);
    }
    static double MsBetween(int64_t fromUs, int64_t toUs) {
        return static_cast<double>(toUs - fromUs) / 1e3;
    }
    // When the last "G=" command so far arrived.
    static int64_t LastArrival(const LoopbackEncoder& encoder) {
        return encoder.Arrivals().back().atUs;
    }
};

// Sent 90 ms after the group, the acknowledgement releases the next one at once: long before
// the countdown's 260 ms.
TEST_F(EncoderReplies, AnAcknowledgementSplitOverTwoBatchesReleasesTheNextGroup) {
    LoopbackEncoder encoder;
    ASSERT_TRUE(Connect(encoder, kBidirectional));
    driver.RDSGroup(Group(0x1234, 0x8000, 1, 0));
    driver.RDSGroup(Group(0x1234, 0x8000, 2, 0));
    ASSERT_EQ(encoder.WaitForBytes(15), "G=800000010000\r");
    PumpFor(70ms);
    encoder.Send("\r\n+");
    PumpFor(20ms);
    const int64_t completed = NowUs();
    encoder.Send("\r\n\r\n");
    ASSERT_EQ(encoder.WaitForBytes(30, 1s), "G=800000010000\rG=800000020000\r");
    EXPECT_LT(MsBetween(completed, LastArrival(encoder)), 100.0);
}

// The next command empties what was gathered, so the rest of the reply completes nothing.
TEST_F(EncoderReplies, HalfAnAcknowledgementCutByTheNextCommandNeverMatches) {
    LoopbackEncoder encoder;
    ASSERT_TRUE(Connect(encoder, kBidirectional));
    for (int i = 1; i <= 3; ++i) {
        driver.RDSGroup(Group(0x1234, 0x8000, i, 0));
    }
    ASSERT_EQ(encoder.WaitForBytes(15), "G=800000010000\r");
    encoder.Send("\r\n+");
    ASSERT_EQ(encoder.WaitForBytes(30, 1s).size(), 30U);
    const int64_t second = LastArrival(encoder);
    encoder.Send("\r\n\r\n");
    ASSERT_EQ(encoder.WaitForBytes(45, 1s).size(), 45U);
    EXPECT_GT(MsBetween(second, LastArrival(encoder)), 200.0);
}

// After an acknowledgement the send timer ticks every 20 ms even with nothing to send, so a
// group queued later goes out on the next tick, not when the 260 ms countdown would end.
TEST_F(EncoderReplies, AfterAnAcknowledgementWithAnEmptyBufferTheNextGroupGoesOnTheNextTick) {
    LoopbackEncoder encoder;
    ASSERT_TRUE(Connect(encoder, kBidirectional));
    driver.RDSGroup(Group(0x1234, 0x8000, 1, 0));
    ASSERT_EQ(encoder.WaitForBytes(15), "G=800000010000\r");
    encoder.Send(kAcknowledgement);
    PumpFor(100ms);
    const int64_t queued = NowUs();
    driver.RDSGroup(Group(0x1234, 0x8000, 2, 0));
    ASSERT_EQ(encoder.WaitForBytes(30, 1s), "G=800000010000\rG=800000020000\r");
    EXPECT_LT(MsBetween(queued, LastArrival(encoder)), 60.0);
}

}  // namespace
}  // namespace blackbox
