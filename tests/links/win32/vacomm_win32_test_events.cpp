// WinSock must come before windows.h.
#include <winsock2.h>

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "links/win32/vacomm_win32_fixture.h"

using namespace std::chrono_literals;
using test_support::PumpMessagesFor;
using test_support::PumpMessagesUntil;

namespace {

using VaCommWin32Events = test_support::Win32PtyPortTest;

// CPU time the thread has used, in 100 ns units.
long long threadCpu(void* thread) {
    FILETIME created, ended, kernel, user;
    if (!GetThreadTimes(static_cast<HANDLE>(thread), &created, &ended, &kernel, &user)) {
        return -1;
    }
    const auto value = [](const FILETIME& t) {
        return (static_cast<long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return value(kernel) + value(user);
}

}  // namespace

TEST_F(VaCommWin32Events, EventThreadRunsOnlyWhileOpenWithMonitoredEvents) {
    EXPECT_EQ(comm.EventThreadHandle(), nullptr);
    comm.Open();
    EXPECT_NE(comm.EventThreadHandle(), nullptr);
    comm.Close();
    EXPECT_EQ(comm.EventThreadHandle(), nullptr);
}

TEST_F(VaCommWin32Events, NoEventThreadWithEmptyMonitorEvents) {
    comm.SetMonitorEvents({});
    comm.Open();
    EXPECT_EQ(comm.EventThreadHandle(), nullptr);
}

TEST_F(VaCommWin32Events, RxCharReachesTheOwnersThreadAndLeavesTheBytesQueued) {
    const DWORD owner = GetCurrentThreadId();
    std::vector<int> counts;
    comm.OnRxChar = [&](TComponent* sender, int count) {
        EXPECT_EQ(sender, &comm);
        EXPECT_EQ(GetCurrentThreadId(), owner);
        counts.push_back(count);
    };
    comm.Open();
    device.Send("OK\r");
    ASSERT_TRUE(PumpMessagesUntil([&] { return !counts.empty(); }, 2s));
    EXPECT_EQ(counts.front(), 3);
    EXPECT_EQ(comm.InQueCount(), 3);
}

// Wine reports received data for as long as it waits unread; the thread must not spin on it.
TEST_F(VaCommWin32Events, EventThreadStaysIdleWhileUnreadBytesWait) {
    int reports = 0;
    comm.OnRxChar = [&](TComponent*, int) { ++reports; };
    comm.Open();
    device.Send("unread\r");
    ASSERT_TRUE(PumpMessagesUntil([&] { return reports > 0; }, 2s));
    const long long before = threadCpu(comm.EventThreadHandle());
    PumpMessagesFor(1s);
    EXPECT_LT(threadCpu(comm.EventThreadHandle()) - before, 1'000'000);  // 100 ms of CPU
    EXPECT_EQ(reports, 1);
}

TEST_F(VaCommWin32Events, TxEmptyFollowsAWrite) {
    int empties = 0;
    comm.OnTxEmpty = [&](TComponent*) { ++empties; };
    comm.Open();
    PumpMessagesFor(200ms);
    EXPECT_EQ(empties, 0);
    ASSERT_TRUE(comm.WriteText("G=1\r"));
    EXPECT_TRUE(PumpMessagesUntil([&] { return empties == 1; }, 2s));
    PumpMessagesFor(200ms);
    EXPECT_EQ(empties, 1);
}

// A line that hangs up while nothing is read or written is reported as it happens, once; the
// thread then rests.
TEST_F(VaCommWin32Events, AnIdleLineThatHangsUpIsReportedOnceAtOnce) {
    std::vector<std::string> reports;
    comm.OnException = [&](TComponent*, const std::string& message) { reports.push_back(message); };
    comm.Open();
    device.HangUp();
    ASSERT_TRUE(PumpMessagesUntil([&] { return !reports.empty(); }, 3s));
    const long long before = threadCpu(comm.EventThreadHandle());
    PumpMessagesFor(500ms);
    EXPECT_LT(threadCpu(comm.EventThreadHandle()) - before, 300'000);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports.front().rfind("The line hung up (", 0), 0u) << reports.front();
    std::printf("hang-up report: %s\n", reports.front().c_str());
}

TEST_F(VaCommWin32Events, AVanishedDeviceIsReportedThroughOnErrorAsAnIoError) {
    comm.Close();
    comm.SetMonitorEvents({ceError, ceRxChar, ceTxEmpty});
    int errors = 0;
    comm.OnError = [&](TComponent*, int word) { errors = word; };
    comm.Open();
    device.HangUp();
    EXPECT_TRUE(PumpMessagesUntil([&] { return errors != 0; }, 3s));
    EXPECT_EQ(errors, CE_IOE);
}

// Closing the port before its owner has run the report of a hang-up withdraws the report.
TEST_F(VaCommWin32Events, AHangUpIsNotReportedAfterADeliberateClose) {
    int reports = 0;
    comm.OnException = [&](TComponent*, const std::string&) { ++reports; };
    comm.Open();
    device.HangUp();
    Sleep(500);
    comm.Close();
    PumpMessagesFor(300ms);
    EXPECT_EQ(reports, 0);
}

TEST_F(VaCommWin32Events, HandlerThatClosesThePortDoesNotDeadlock) {
    comm.OnRxChar = [&](TComponent*, int) { comm.Close(); };
    comm.Open();
    device.Send("x");
    EXPECT_TRUE(PumpMessagesUntil([&] { return !comm.IsOpen(); }, 3s));
}

TEST_F(VaCommWin32Events, HandlerExceptionsGoToTheExceptionEventAndTheThreadGoesOn) {
    std::vector<std::string> reports;
    comm.OnException = [&](TComponent*, const std::string& message) { reports.push_back(message); };
    comm.OnRxChar = [&](TComponent*, int) { throw EVaCommError("handler failed"); };
    comm.Open();
    device.Send("a");
    ASSERT_TRUE(PumpMessagesUntil([&] { return reports.size() == 1; }, 2s));
    device.Send("b");
    ASSERT_TRUE(PumpMessagesUntil([&] { return reports.size() == 2; }, 2s));
    EXPECT_EQ(reports.front(), "handler failed");
}

TEST_F(VaCommWin32Events, AHandlerThatDeletesThePortEndsTheDispatch) {
    auto owned = std::make_unique<TVaComm>();
    test_support::ConfigureLikeVaComm1(*owned);
    owned->SetMonitorEvents({ceRxChar, ceTxEmpty, ceError});
    int calls = 0;
    owned->OnRxChar = [&](TComponent*, int) {
        ++calls;
        owned.reset();
    };
    owned->Open();
    device.Send("x");
    ASSERT_TRUE(PumpMessagesUntil([&] { return owned == nullptr; }, 3s));
    PumpMessagesFor(200ms);
    EXPECT_EQ(calls, 1);
}

TEST_F(VaCommWin32Events, EventPriorityReachesTheRunningThread) {
    comm.Open();
    EXPECT_EQ(GetThreadPriority(static_cast<HANDLE>(comm.EventThreadHandle())),
              THREAD_PRIORITY_ABOVE_NORMAL);
    comm.SetEventPriority(tpLowest);
    EXPECT_EQ(GetThreadPriority(static_cast<HANDLE>(comm.EventThreadHandle())),
              THREAD_PRIORITY_LOWEST);
}
