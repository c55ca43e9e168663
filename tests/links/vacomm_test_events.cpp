#include <gtest/gtest.h>

#include <QThread>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "VaComm.h"
#include "support/pty_port_fixture.h"

using namespace std::chrono_literals;
using test_support::waitUntil;
using Clock = std::chrono::steady_clock;

namespace {

using VaCommEvents = test_support::PtyPortTest;

std::vector<pid_t> threadsNamed(const std::string& name) {
    std::vector<pid_t> found;
    DIR* tasks = opendir("/proc/self/task");
    if (tasks == nullptr) {
        return found;
    }
    while (const dirent* entry = readdir(tasks)) {
        std::string comm;
        std::ifstream(std::string("/proc/self/task/") + entry->d_name + "/comm") >> comm;
        if (comm == name) {
            found.push_back(static_cast<pid_t>(std::stol(entry->d_name)));
        }
    }
    closedir(tasks);
    return found;
}

// Fields after the command name of /proc/self/task/<tid>/stat, numbered as in proc(5).
std::vector<long long> statFields(pid_t tid) {
    std::ifstream file("/proc/self/task/" + std::to_string(tid) + "/stat");
    std::string line;
    std::getline(file, line);
    std::istringstream rest(line.substr(line.rfind(')') + 2));
    std::vector<long long> fields(4, 0);
    std::string field;
    rest >> field;
    for (int number = 4; number <= 20 && rest >> field; ++number) {
        fields.push_back(std::stoll(field));
    }
    return fields;
}

// CPU time of a thread in nanoseconds, from the scheduler's own account when it has one.
long long threadCpuNs(pid_t tid) {
    std::ifstream schedstat("/proc/self/task/" + std::to_string(tid) + "/schedstat");
    long long ns = -1;
    if (schedstat >> ns) {
        return ns;
    }
    const std::vector<long long> fields = statFields(tid);
    return (fields[14] + fields[15]) * (1000000000LL / sysconf(_SC_CLK_TCK));
}

// The one event thread, once it has started and named itself.
pid_t eventThread() {
    pid_t found = 0;
    waitUntil(
        [&] {
            const std::vector<pid_t> threads = threadsNamed("VaCommEvent");
            found = threads.size() == 1 ? threads.front() : 0;
            return found != 0;
        },
        1s);
    return found;
}

TEST_F(VaCommEvents, EventThreadRunsOnlyWhileOpenWithMonitoredEvents) {
    EXPECT_TRUE(threadsNamed("VaCommEvent").empty());
    comm.Open();
    EXPECT_NE(eventThread(), 0);
    EXPECT_TRUE(threadsNamed("VaCommWrite").empty());
    comm.Close();
    EXPECT_TRUE(threadsNamed("VaCommEvent").empty());
}

TEST_F(VaCommEvents, NoEventThreadWithEmptyMonitorEvents) {
    comm.SetMonitorEvents({});
    comm.Open();
    EXPECT_TRUE(threadsNamed("VaCommEvent").empty());
    EXPECT_TRUE(comm.WriteText("x"));
}

TEST_F(VaCommEvents, EventThreadStaysIdleWhileUnreadBytesWait) {
    comm.Open();
    const pid_t thread = eventThread();
    ASSERT_NE(thread, 0);
    ASSERT_TRUE(pty->writeMaster(std::string(100, 'A')));
    ASSERT_TRUE(waitUntil([&] { return comm.InQueCount() == 100; }, 2s));
    const long long before = threadCpuNs(thread);
    waitUntil([] { return false; }, 1s);
    const long long used = threadCpuNs(thread) - before;
    EXPECT_LT(used, 50'000'000) << "event thread used " << used << " ns in 1 s";
    EXPECT_EQ(comm.InQueCount(), 100);
}

TEST_F(VaCommEvents, RxCharReachesTheOwnersThreadAndLeavesTheBytesQueued) {
    int lastCount = 0;
    bool onOwnerThread = false;
    comm.OnRxChar = [&](QObject* sender, int count) {
        lastCount = count;
        onOwnerThread = sender == &comm && QThread::currentThread() == comm.thread();
    };
    comm.Open();
    ASSERT_TRUE(pty->writeMaster("ACK\r"));
    ASSERT_TRUE(waitUntil([&] { return lastCount == 4; }, 2s));
    EXPECT_TRUE(onOwnerThread);
    EXPECT_EQ(comm.InQueCount(), 4);
    char ch = 0;
    ASSERT_TRUE(comm.ReadChar(ch));
    EXPECT_EQ(ch, 'A');
}

TEST_F(VaCommEvents, TxEmptyFollowsAWrite) {
    int empties = 0;
    comm.OnTxEmpty = [&](QObject*) { ++empties; };
    comm.Open();
    ASSERT_TRUE(comm.WriteText("G=000000000000\r"));
    EXPECT_TRUE(waitUntil([&] { return empties >= 1; }, 2s));
}

TEST_F(VaCommEvents, CloseReleasesAHandOverTheOwnerNeverRan) {
    int calls = 0;
    comm.OnRxChar = [&](QObject*, int) { ++calls; };
    comm.Open();
    ASSERT_TRUE(pty->writeMaster("late"));
    std::this_thread::sleep_for(200ms);
    const auto start = Clock::now();
    comm.Close();
    EXPECT_LT(Clock::now() - start, 2s);
    waitUntil([] { return false; }, 100ms);
    EXPECT_EQ(calls, 0);
}

TEST_F(VaCommEvents, HandlerThatClosesThePortDoesNotDeadlock) {
    int calls = 0;
    comm.OnRxChar = [&](QObject*, int) {
        ++calls;
        comm.Close();
    };
    comm.Open();
    ASSERT_TRUE(pty->writeMaster("x"));
    ASSERT_TRUE(waitUntil([&] { return !comm.IsOpen(); }, 3s));
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(threadsNamed("VaCommEvent").empty());
    comm.Open();
    EXPECT_TRUE(comm.IsOpen());
}

TEST_F(VaCommEvents, HandlerExceptionsGoToTheExceptionEventAndTheThreadGoesOn) {
    int failures = 0;
    int calls = 0;
    comm.OnRxChar = [&](QObject*, int) {
        ++calls;
        char ch = 0;
        while (comm.ReadChar(ch)) {
        }
        throw std::runtime_error("handler trouble");
    };
    comm.OnException = [&](QObject*, const QString&) { ++failures; };
    comm.Open();
    ASSERT_TRUE(pty->writeMaster("1"));
    ASSERT_TRUE(waitUntil([&] { return failures == 1; }, 2s));
    ASSERT_TRUE(pty->writeMaster("2"));
    EXPECT_TRUE(waitUntil([&] { return failures == 2; }, 2s));
    EXPECT_EQ(calls, 2);
}

TEST_F(VaCommEvents, VanishedDeviceIsReportedThroughOnError) {
    comm.Close();
    comm.SetMonitorEvents({ceError, ceRxChar, ceTxEmpty});
    int errors = 0;
    comm.OnError = [&](QObject*, int word) { errors = word; };
    comm.Open();
    pty->closeMaster();
    EXPECT_TRUE(waitUntil([&] { return errors != 0; }, 2s));
    EXPECT_EQ(errors, 0x400);
    const pid_t thread = eventThread();
    ASSERT_NE(thread, 0);
    const long long before = threadCpuNs(thread);
    waitUntil([] { return false; }, 300ms);
    EXPECT_LT(threadCpuNs(thread) - before, 30'000'000);
}

// A line that hangs up while nothing is read or written is reported as it happens, once, with
// only the events the window monitors; the thread then rests.
TEST_F(VaCommEvents, AnIdleLineThatHangsUpIsReportedOnceAtOnce) {
    std::vector<std::string> reports;
    comm.OnException = [&](QObject*, const QString& message) {
        reports.push_back(message.toStdString());
    };
    comm.Open();
    const pid_t thread = eventThread();
    ASSERT_NE(thread, 0);
    pty->closeMaster();
    ASSERT_TRUE(waitUntil([&] { return !reports.empty(); }, 2s));
    const long long before = threadCpuNs(thread);
    waitUntil([] { return false; }, 300ms);
    EXPECT_LT(threadCpuNs(thread) - before, 30'000'000);
    EXPECT_EQ(reports, std::vector<std::string>{"The line hung up (5), Input/output error"});
}

// Closing the port before its owner has run the report of a hang-up withdraws the report.
TEST_F(VaCommEvents, AHangUpIsNotReportedAfterADeliberateClose) {
    int reports = 0;
    comm.OnException = [&](QObject*, const QString&) { ++reports; };
    comm.Open();
    pty->closeMaster();
    std::this_thread::sleep_for(100ms);
    comm.Close();
    waitUntil([] { return false; }, 200ms);
    EXPECT_EQ(reports, 0);
}

// The 80 % mark of the receive queue, for a small queue and for one so large that four times
// its size does not fit into 32 bits.
TEST_F(VaCommEvents, Rx80FullMarksFourFifthsOfAnyReadSize) {
    for (const int readSize : {5, 1 << 30}) {
        comm.Close();
        comm.SetMonitorEvents({ceRxChar, ceRx80Full});
        TVaBuffers buffers;
        buffers.SetReadSize(readSize);
        comm.SetBuffers(buffers);
        int marks = 0;
        int arrivals = 0;
        comm.OnRx80Full = [&](QObject*) { ++marks; };
        comm.OnRxChar = [&](QObject*, int) { ++arrivals; };
        comm.Open();
        ASSERT_TRUE(pty->writeMaster("1234"));
        ASSERT_TRUE(waitUntil([&] { return arrivals > 0; }, 2s));
        EXPECT_EQ(marks, readSize == 5 ? 1 : 0) << readSize;
        char ch = 0;
        while (comm.ReadChar(ch)) {
        }
    }
}

// The descriptors of this process that are epoll instances.
std::set<int> epollDescriptors() {
    std::set<int> found;
    DIR* fds = opendir("/proc/self/fd");
    while (const dirent* entry = readdir(fds)) {
        char target[64] = {};
        const std::string link = std::string("/proc/self/fd/") + entry->d_name;
        if (readlink(link.c_str(), target, sizeof target - 1) > 0 &&
            std::string(target) == "anon_inode:[eventpoll]") {
            found.insert(std::atoi(entry->d_name));
        }
    }
    closedir(fds);
    return found;
}

TEST_F(VaCommEvents, AFailingEventWaitIsReportedNotSwallowed) {
    QString reported;
    comm.OnException = [&](QObject*, const QString& message) { reported = message; };
    const std::set<int> before = epollDescriptors();
    comm.Open();
    std::vector<int> added;
    for (const int fd : epollDescriptors()) {
        if (before.count(fd) == 0) {
            added.push_back(fd);
        }
    }
    ASSERT_EQ(added.size(), 1u);
    // Put something that is no epoll instance under the thread's descriptor; its next wait fails.
    const int devNull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    dup2(devNull, added.front());
    ::close(devNull);
    ASSERT_TRUE(pty->writeMaster("x"));
    ASSERT_TRUE(waitUntil([&] { return !reported.isEmpty(); }, 2s));
    EXPECT_EQ(reported.toStdString(),
              "The port's event thread stopped: waiting for line events failed (22), Invalid "
              "argument");
}

// A handler may delete the port; the dispatch that ran it stops there (ASan checks the rest).
TEST_F(VaCommEvents, AHandlerThatDeletesThePortEndsTheDispatch) {
    auto* port = new TVaComm;
    test_support::ConfigureLikeVaComm1(*port);
    port->SetMonitorEvents({ceError, ceRxChar, ceTxEmpty});
    bool deleted = false;
    int later = 0;
    port->OnError = [&](QObject*, int) {
        delete port;
        deleted = true;
    };
    port->OnException = [&](QObject*, const QString&) { ++later; };
    port->Open();
    pty->closeMaster();
    ASSERT_TRUE(waitUntil([&] { return deleted; }, 2s));
    waitUntil([] { return false; }, 100ms);
    EXPECT_EQ(later, 0);
}

TEST_F(VaCommEvents, EventPriorityReachesTheRunningThread) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "raising a thread's priority needs privileges";
    }
    comm.Open();
    const pid_t thread = eventThread();
    ASSERT_NE(thread, 0);
    ASSERT_TRUE(waitUntil([&] { return statFields(thread)[19] == -5; }, 1s));
    comm.SetEventPriority(tpNormal);
    EXPECT_EQ(statFields(thread)[19], 0);
    EXPECT_EQ(comm.EventPriority(), tpNormal);
}

// Evidence runs, not part of the default suite:
//   vacomm_tests --gtest_also_run_disabled_tests --gtest_filter='*Evidence*'
TEST_F(VaCommEvents, DISABLED_EvidenceEventThreadCpuOverTenSecondsWithBytesWaiting) {
    comm.Open();
    const pid_t thread = eventThread();
    ASSERT_NE(thread, 0);
    ASSERT_TRUE(pty->writeMaster(std::string(1000, 'R')));
    ASSERT_TRUE(waitUntil([&] { return comm.InQueCount() == 1000; }, 2s));
    const long long before = threadCpuNs(thread);
    const auto start = Clock::now();
    waitUntil([] { return false; }, 10s);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    const long long used = threadCpuNs(thread) - before;
    std::printf("event thread: %lld ns CPU in %.2f s with %d unread bytes (%.5f %% of a core)\n",
                used, seconds, comm.InQueCount(), 100.0 * used / (seconds * 1e9));
    EXPECT_EQ(comm.InQueCount(), 1000);
}

TEST_F(VaCommEvents, DISABLED_EvidenceWriteTextHeldByAFullQueue) {
    comm.Open();
    const std::string filler(4096, 'F');
    int accepted = 0;
    for (int i = 0; i < 64; ++i) {
        accepted += comm.WriteBuf(filler.data(), static_cast<int>(filler.size()));
        if (accepted % 4096 != 0) {
            break;
        }
    }
    const auto start = Clock::now();
    const bool complete = comm.WriteText("G=123456789ABC\r");
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    std::printf(
        "queue filled with %d bytes; WriteText held the caller %.1f ms "
        "(WriteTimeout %d ms) and returned %s\n",
        accepted, ms, comm.Buffers().WriteTimeout(), complete ? "true" : "false");
    EXPECT_FALSE(complete);
}

}  // namespace
