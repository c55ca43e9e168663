// The platform's test support comes first: on Windows it brings WinSock before windows.h.
#include "link_test_platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "SimpleTCP.h"

namespace {

using Events = std::vector<std::string>;
using std::chrono::milliseconds;

using link_test::threadCpuTime;
using link_test::waitingAt;

void setBufferSize(int socket, int option, int bytes) {
    ASSERT_EQ(link_test::setSocketOption(socket, SOL_SOCKET, option, bytes), 0);
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
    ASSERT_EQ(link_test::sendUrgent(link.peer.fd(), 'U'), 1);
    ASSERT_TRUE(spinUntil([&] { return link.recorder.bytesRead().size() >= 5; }))
        << link.recorder.joined();

    const milliseconds cpuBefore = threadCpuTime();
    spinFor(milliseconds(300));
    const milliseconds busy = threadCpuTime() - cpuBefore;
    EXPECT_LT(busy.count(), 150) << "the read notifier keeps firing";

    link.peer.send("ACK\r");
    ASSERT_TRUE(spinUntil([&] { return link.recorder.bytesRead().size() >= 9; }));
    EXPECT_EQ(link_test::bytesOf(link.recorder.bytesRead()), "ACK\rUACK\r");
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
        std::this_thread::sleep_for(milliseconds(1));
    }
    ASSERT_GE(waitingAt(socket), 3 * kSlice) << "the peer could not fill the client's queue";

    std::vector<size_t> sizes;
    std::string received;
    link.client->OnRead = [&](auto*, TSimpleTCPStream& stream) {
        const std::string bytes = stream.ReadAll();
        sizes.push_back(bytes.size());
        received += bytes;
    };
    const bool all = spinUntil([&] { return received.size() >= flood.size(); });
    sender.join();
    ASSERT_TRUE(all) << received.size();
    EXPECT_LE(*std::max_element(sizes.begin(), sizes.end()), static_cast<size_t>(kSlice));
    EXPECT_TRUE(received == flood) << "the bytes differ from what the peer sent";
    RecordProperty("reads", static_cast<int>(sizes.size()));
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
