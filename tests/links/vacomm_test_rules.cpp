// The serial port's portable rules: built into the Linux and the Windows test programs alike.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "VaCommKeptOutput.h"
#include "VaCommPortName.h"
#include "VaCommRules.h"

namespace {

// A device that takes at most `room` bytes in all, and records what it took.
struct FakeDevice {
    explicit FakeDevice(int space) : room(space) {}

    int room;
    std::string taken;
    int calls = 0;

    VaKeptOutput::TWrite writer() {
        return [this](const char* data, int count) {
            ++calls;
            const int n = std::min(count, room);
            taken.append(data, static_cast<std::size_t>(n));
            room -= n;
            return n;
        };
    }
};

}  // namespace

TEST(VaKeptOutput, KeepsNothingWhenTheDeviceTakesEveryByte) {
    VaKeptOutput kept;
    FakeDevice device(100);
    const auto outcome = kept.Write("G=1\r", 4, device.writer(), device.writer());
    EXPECT_EQ(outcome.result, 4);
    EXPECT_EQ(outcome.written, 4);
    EXPECT_TRUE(kept.Empty());
    EXPECT_EQ(device.taken, "G=1\r");
}

TEST(VaKeptOutput, KeepsTheTailTheDeviceDidNotTakeAndCountsOnlyWhatItTook) {
    VaKeptOutput kept;
    FakeDevice device(3);
    const auto outcome = kept.Write("G=12\r", 5, device.writer(), device.writer());
    EXPECT_EQ(outcome.result, 5);
    EXPECT_EQ(outcome.written, 3);
    EXPECT_EQ(kept.Size(), 2);
}

// The kept tail goes first, and new bytes are refused whole while any of it remains: never a
// command cut in two with the next one glued to it.
TEST(VaKeptOutput, RefusesNewBytesWholeWhileKeptBytesRemainAndWritesTheTailFirst) {
    VaKeptOutput kept;
    FakeDevice device(3);
    kept.Write("G=12\r", 5, device.writer(), device.writer());
    device.room = 1;
    const auto refused = kept.Write("G=34\r", 5, device.writer(), device.writer());
    EXPECT_EQ(refused.result, 0);
    EXPECT_EQ(refused.written, 1);
    EXPECT_EQ(kept.Size(), 1);
    device.room = 100;
    const auto accepted = kept.Write("G=34\r", 5, device.writer(), device.writer());
    EXPECT_EQ(accepted.result, 5);
    EXPECT_EQ(device.taken, "G=12\rG=34\r");
}

TEST(VaKeptOutput, FlushStopsWhenTheDeviceTakesNothing) {
    VaKeptOutput kept;
    FakeDevice device(0);
    kept.Write("G=1\r", 4, device.writer(), device.writer());
    device.calls = 0;
    EXPECT_EQ(kept.Flush(device.writer()), 0);
    EXPECT_EQ(device.calls, 1);
    EXPECT_EQ(kept.Size(), 4);
    kept.Drop();
    EXPECT_TRUE(kept.Empty());
}

TEST(VaKeptOutput, AWriteThatFailsKeepsNothingOfTheNewBytes) {
    VaKeptOutput kept;
    FakeDevice device(10);
    const VaKeptOutput::TWrite failing = [](const char*, int) -> int {
        throw EVaCommError("Write error");
    };
    EXPECT_THROW(kept.Write("G=1\r", 4, device.writer(), failing), EVaCommError);
    EXPECT_TRUE(kept.Empty());
}

TEST(VaCommRules, TransmitEmptyIsLeftToTheWriterThreadWithoutDirectWrite) {
    const TVaCommEvents events{ceRxChar, ceTxEmpty, ceError};
    const va_comm::EventMasks direct = va_comm::EventMaskOf(events, true);
    const va_comm::EventMasks buffered = va_comm::EventMaskOf(events, false);
    EXPECT_EQ(direct.monitored, 0x85u);
    EXPECT_EQ(direct.wait, 0x85u);
    EXPECT_EQ(buffered.monitored, 0x85u);
    EXPECT_EQ(buffered.wait, 0x81u);
    EXPECT_EQ(va_comm::EventMaskOf({ceBreak, ceEvent2}, true).wait, 0x1040u);
}

TEST(VaCommRules, BrUserStandsForTheUserBaudrate) {
    EXPECT_EQ(va_comm::BitsPerSecond(brUser, 31250), 31250);
    EXPECT_EQ(va_comm::BitsPerSecond(br256000, 31250), 256000);
    EXPECT_EQ(va_comm::BitsPerSecond(br110, 0), 110);
}

TEST(VaCommRules, MessagesTakeTheNumberAndTheTextInOrder) {
    EXPECT_EQ(va_comm::ErrorMessage(va_comm::kHungUpText, 5, "Input/output error"),
              "The line hung up (5), Input/output error");
    EXPECT_EQ(va_comm::FillMessage(va_comm::kNotFound, {"COM0"}),
              "Specified device not found (COM0).");
    EXPECT_EQ(va_comm::FillMessage("%d and %s", {"1"}), "1 and %s");
}

TEST(VaCommPortName, WindowsNamesLiveInTheDeviceNamespace) {
    EXPECT_EQ(va_device_map::WithDeviceNamespace("COM3"), R"(\\.\COM3)");
    EXPECT_EQ(va_device_map::WithDeviceNamespace(R"(\\.\COM10)"), R"(\\.\COM10)");
    EXPECT_EQ(va_device_map::WithDeviceNamespace("CNCA0"), R"(\\.\CNCA0)");
}
