// WinSock must come before windows.h.
#include <winsock2.h>

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "links/win32/vacomm_win32_fixture.h"

using namespace std::chrono_literals;
using test_support::PumpMessagesFor;

namespace {

using VaCommWin32Stall = test_support::Win32PtyPortTest;

// Command n: a fixed-length, numbered line, as the encoder receives a group.
std::string command(int n) {
    char text[40];
    std::snprintf(text, sizeof text, "G=%08d3A5F0C1D2E4B\r", n);
    return text;
}

// How a stream of received bytes splits into commands: the numbers of the whole ones in order,
// how many lines are not a well-formed command (a cut, or two glued together), and whether the
// stream ends inside a command.
struct Received {
    std::vector<int> numbers;
    int malformed = 0;
    bool endsInside = false;
};

Received parse(const std::string& stream) {
    Received result;
    const std::size_t length = command(0).size();
    std::size_t start = 0;
    for (std::size_t end = stream.find('\r'); end != std::string::npos;
         start = end + 1, end = stream.find('\r', start)) {
        const std::string line = stream.substr(start, end + 1 - start);
        int number = -1;
        if (line.size() == length && std::sscanf(line.c_str(), "G=%8d", &number) == 1 &&
            line == command(number)) {
            result.numbers.push_back(number);
        } else {
            ++result.malformed;
        }
    }
    result.endsInside = start < stream.size();
    return result;
}

bool consecutiveFrom(const std::vector<int>& numbers, int first) {
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        if (numbers[i] != first + static_cast<int>(i)) {
            return false;
        }
    }
    return true;
}

// Sends like the plug-in's send tick: kept bytes are finished first, a new command goes out
// only when none are kept, and a command counts as written once none of it is kept. Returns
// false when the tick wrote nothing new because kept bytes would not go.
bool sendTick(TVaComm& comm, int& next, int& counted) {
    if (comm.PendingBytes() > 0) {
        if (!comm.FlushPending()) {
            return false;
        }
        ++counted;
        return true;
    }
    comm.WriteText(command(next));
    ++next;
    if (comm.PendingBytes() == 0) {
        ++counted;
    }
    return true;
}

// Ticks until the port has kept bytes the stalled reader would not take three times running.
int stall(TVaComm& comm, int& next, int& counted) {
    int refused = 0;
    while (refused < 3) {
        refused = sendTick(comm, next, counted) ? 0 : refused + 1;
    }
    return comm.PendingBytes();
}

}  // namespace

TEST_F(VaCommWin32Stall, AStalledReaderNeverReceivesACommandCutInTwo) {
    comm.Buffers().SetWriteTimeout(100);
    comm.Open();
    int next = 0;
    int counted = 0;
    const int kept = stall(comm, next, counted);
    EXPECT_GT(kept, 0);
    EXPECT_EQ(counted, next - 1);
    std::string received = device.ReceiveUntilQuiet(300ms);
    for (int i = 0; i < 50 && comm.PendingBytes() > 0; ++i) {
        sendTick(comm, next, counted);
        received += device.ReceiveUntilQuiet(50ms);
    }
    received += device.ReceiveUntilQuiet(300ms);
    const Received got = parse(received);
    EXPECT_EQ(comm.PendingBytes(), 0);
    EXPECT_EQ(got.malformed, 0);
    EXPECT_FALSE(got.endsInside);
    EXPECT_EQ(static_cast<int>(got.numbers.size()), counted);
    EXPECT_TRUE(consecutiveFrom(got.numbers, 0));
}

TEST_F(VaCommWin32Stall, CloseDropsKeptBytesSoTheNextLineNeverReceivesThem) {
    comm.Buffers().SetWriteTimeout(100);
    comm.Open();
    int next = 0;
    int counted = 0;
    ASSERT_GT(stall(comm, next, counted), 0);
    comm.Close();
    EXPECT_EQ(comm.PendingBytes(), 0);
    replacePty();
    comm.Open();
    ASSERT_TRUE(comm.WriteText(command(counted)));
    EXPECT_EQ(device.ReceiveUntilQuiet(), command(counted));
}

// Over a stall, a hang-up and a reopen on a new line, the device ends receive whole commands in
// order, and every command counted as written was received.
TEST_F(VaCommWin32Stall, CommandsStayWholeAndInOrderOverAStallAHangUpAndAReopen) {
    int hangUps = 0;
    comm.OnException = [&](TComponent*, const std::string& text) {
        hangUps += text.rfind("The line hung up (", 0) == 0 ? 1 : 0;
    };
    comm.Buffers().SetWriteTimeout(100);
    comm.Open();
    int next = 0;
    int counted = 0;
    const int keptAtFirstStall = stall(comm, next, counted);
    const int countedAtFirstStall = counted;
    std::string firstLine = device.ReceiveUntilQuiet(300ms);
    for (int i = 0; i < 200; ++i) {
        sendTick(comm, next, counted);
        firstLine += device.ReceiveUntilQuiet(5ms);
    }
    firstLine += device.ReceiveUntilQuiet(300ms);
    const int countedBeforeSecondStall = counted;
    const int keptAtHangUp = stall(comm, next, counted);
    device.HangUp();
    PumpMessagesFor(1s);
    comm.Close();
    const int firstUncounted = counted;
    ASSERT_TRUE(device.Connect());
    comm.Open();
    next = firstUncounted;
    std::string secondLine;
    for (int i = 0; i < 200; ++i) {
        sendTick(comm, next, counted);
        secondLine += device.ReceiveUntilQuiet(5ms);
    }
    secondLine += device.ReceiveUntilQuiet(300ms);

    const Received first = parse(firstLine);
    const Received second = parse(secondLine);
    std::printf("stall 1: %d commands counted, %d bytes kept\n", countedAtFirstStall,
                keptAtFirstStall);
    std::printf("first line received %zu whole commands (counted %d), malformed %d\n",
                first.numbers.size(), countedBeforeSecondStall, first.malformed);
    std::printf(
        "stall 2: %d bytes kept at the hang-up, %d commands counted in all, %d hang-up "
        "report(s)\n",
        keptAtHangUp, firstUncounted, hangUps);
    std::printf(
        "after the reopen: %zu whole commands from %d, malformed %d, cut %d, "
        "%d counted in all\n",
        second.numbers.size(), second.numbers.empty() ? -1 : second.numbers.front(),
        second.malformed, second.endsInside ? 1 : 0, counted);
    EXPECT_GT(keptAtFirstStall, 0);
    EXPECT_GT(keptAtHangUp, 0);
    EXPECT_EQ(hangUps, 1);
    EXPECT_EQ(first.malformed, 0);
    EXPECT_FALSE(first.endsInside);
    EXPECT_EQ(static_cast<int>(first.numbers.size()), countedBeforeSecondStall);
    EXPECT_TRUE(consecutiveFrom(first.numbers, 0));
    EXPECT_EQ(second.malformed, 0);
    EXPECT_FALSE(second.endsInside);
    EXPECT_TRUE(consecutiveFrom(second.numbers, firstUncounted));
    EXPECT_EQ(firstUncounted + static_cast<int>(second.numbers.size()), counted);
}
