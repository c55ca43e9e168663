#include <QByteArray>

#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "SimpleTCP.h"
#include "support/tcp_connection.h"
#include "support/tcp_event_recorder.h"
#include "support/tcp_test_server.h"

namespace {

using Events = std::vector<std::string>;
using std::chrono::milliseconds;

int waitingAt(int fd) {
    int count = 0;
    return ::ioctl(fd, FIONREAD, &count) == 0 ? count : -1;
}

milliseconds threadCpuTime() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return milliseconds(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

void setBufferSize(int fd, int option, int bytes) {
    ASSERT_EQ(::setsockopt(fd, SOL_SOCKET, option, &bytes, sizeof bytes), 0);
}

std::string groupCommand(int number) {
    char text[16];
    std::snprintf(text, sizeof text, "G=%012X\r", number);
    return text;
}

TEST(SimpleTCPClient, UrgentByteIsReadInlineAndTheLinkGoesOnReadingWithoutSpinning) {
    TcpConnection link;
    ASSERT_TRUE(link.connected && link.peer.valid());
    link.peer.send("ACK\r");
    ASSERT_EQ(::send(link.peer.fd(), "U", 1, MSG_OOB), 1);
    ASSERT_TRUE(spinUntil([&] { return link.recorder.bytesRead().size() >= 5; }))
        << link.recorder.joined();

    const milliseconds cpuBefore = threadCpuTime();
    spinFor(milliseconds(300));
    const milliseconds busy = threadCpuTime() - cpuBefore;
    EXPECT_LT(busy.count(), 150) << "the read notifier keeps firing";

    link.peer.send("ACK\r");
    ASSERT_TRUE(spinUntil([&] { return link.recorder.bytesRead().size() >= 9; }));
    EXPECT_EQ(link.recorder.bytesRead(), QByteArray("ACK\rUACK\r"));
    EXPECT_TRUE(link.client->Connected());
    RecordProperty("idle_cpu_ms", static_cast<int>(busy.count()));
}

TEST(SimpleTCPClient, FloodingPeerIsReadInBoundedSlicesWithEveryByteInOrder) {
    constexpr int kSlice = 64 * 1024;
    TcpConnection link;
    ASSERT_TRUE(link.connected && link.peer.valid());
    setBufferSize(link.client->SocketHandle(), SO_RCVBUF, 1 << 20);
    std::string flood(768 * 1024, '\0');
    for (size_t i = 0; i < flood.size(); ++i) {
        flood[i] = static_cast<char>('A' + i % 26);
    }
    std::thread sender([&] { link.peer.send(flood); });
    const int socket = link.client->SocketHandle();
    for (int tries = 0; tries < 2000 && waitingAt(socket) < 3 * kSlice; ++tries) {
        ::usleep(1000);
    }
    ASSERT_GE(waitingAt(socket), 3 * kSlice) << "the peer could not fill the client's queue";

    std::vector<qsizetype> sizes;
    QByteArray received;
    link.client->OnRead = [&](QObject*, TSimpleTCPStream& stream) {
        const std::string bytes = stream.ReadAll();
        sizes.push_back(static_cast<qsizetype>(bytes.size()));
        received.append(bytes.data(), static_cast<qsizetype>(bytes.size()));
    };
    const bool all = spinUntil([&] { return received.size() >= qsizetype(flood.size()); });
    sender.join();
    ASSERT_TRUE(all) << received.size();
    EXPECT_LE(*std::max_element(sizes.begin(), sizes.end()), kSlice);
    EXPECT_EQ(received.toStdString(), flood);
    RecordProperty("reads", static_cast<int>(sizes.size()));
}

TEST(SimpleTCPClient, WritingToAPeerThatClosedReportsBrokenPipe) {
    TcpConnection link;
    ASSERT_TRUE(link.connected && link.peer.valid());
    link.peer.closeOrderly();
    pollfd closedByPeer{link.client->SocketHandle(), POLLRDHUP, 0};
    ASSERT_EQ(::poll(&closedByPeer, 1, 5000), 1);
    // One send tick: the PI command is taken and answered with a reset, the group finds it.
    EXPECT_EQ(link.client->SendBuffer("PI=D3C3\r", 8), 8);
    EXPECT_EQ(link.client->SendBuffer("G=2000C2004142\r", 15), -1);
    EXPECT_EQ(link.recorder.events(),
              (Events{"Disconnected", "ConnectionLost", "Error 10032 Broken pipe"}));
    RecordProperty("events", link.recorder.joined());
}

// Reads on its own thread, so that the event loop that writes the kept bytes keeps running.
class DrainingPeer {
public:
    DrainingPeer(TcpTestPeer& peer, size_t wanted)
        : m_thread([this, &peer, wanted] {
              m_received = peer.receive(wanted, std::chrono::seconds(10));
              m_done = true;
          }) {}
    ~DrainingPeer() { m_thread.join(); }
    [[nodiscard]] bool done() const { return m_done; }
    [[nodiscard]] const std::string& received() const { return m_received; }

private:
    std::string m_received;
    std::atomic<bool> m_done = false;
    std::thread m_thread;
};

// A thousand commands per send, more than the socket takes at once, so that it takes part of
// one (mostly cutting a command) before it is full.
constexpr int kBlockBytes = 1000 * 15;

std::string commandBlock(int& number) {
    std::string block;
    for (int command = 0; command < 1000; ++command) {
        block += groupCommand(number++);
    }
    return block;
}

TEST(SimpleTCPClient, CommandsToAPeerThatStopsReadingArriveWholeAndInOrder) {
    TcpConnection link(4096);
    ASSERT_TRUE(link.connected && link.peer.valid());
    setBufferSize(link.client->SocketHandle(), SO_SNDBUF, 4096);
    std::string accepted;
    int number = 0;
    while (link.client->PendingBytes() == 0 && number < 100000) {
        const std::string block = commandBlock(number);
        ASSERT_EQ(link.client->SendBuffer(block.data(), kBlockBytes), kBlockBytes);
        accepted += block;
    }
    ASSERT_GT(link.client->PendingBytes(), 0) << "the socket buffers never filled";
    const int keptAtStall = link.client->PendingBytes();
    for (int more = 0; more < 2; ++more) {
        const std::string block = commandBlock(number);
        ASSERT_EQ(link.client->SendBuffer(block.data(), kBlockBytes), kBlockBytes);
        accepted += block;
    }
    EXPECT_GE(link.client->PendingBytes(), keptAtStall) << "later bytes overtook kept ones";

    DrainingPeer reader(link.peer, accepted.size());
    EXPECT_TRUE(spinUntil([&] { return reader.done(); }, std::chrono::seconds(15)));
    EXPECT_EQ(reader.received(), accepted);
    EXPECT_EQ(link.client->PendingBytes(), 0);
    EXPECT_TRUE(link.recorder.events().empty()) << link.recorder.joined();
    const milliseconds cpuBefore = threadCpuTime();
    spinFor(milliseconds(200));
    EXPECT_LT((threadCpuTime() - cpuBefore).count(), 100) << "write-readiness is still watched";
    RecordProperty("commands", number);
    RecordProperty("kept_at_stall", keptAtStall);
}

}  // namespace
