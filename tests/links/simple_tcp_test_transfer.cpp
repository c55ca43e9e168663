// The platform's test support comes first: on Windows it brings WinSock before windows.h.
#include "link_test_platform.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "SimpleTCP.h"

namespace {

using Events = std::vector<std::string>;

using Connection = TcpConnection;

using link_test::waitingAt;

TEST(SimpleTCPClient, OrderlyPeerCloseReportsDisconnectedTwiceThenConnectionLost) {
    Connection link;
    ASSERT_TRUE(link.connected && link.peer.valid());
    link.peer.closeOrderly();
    ASSERT_TRUE(spinUntil([&] { return link.recorder.saw("ConnectionLost"); }));
    spinFor(std::chrono::milliseconds(50));
    EXPECT_EQ(link.recorder.events(), (Events{"Disconnected", "Disconnected", "ConnectionLost"}));
    EXPECT_EQ(link.client->SocketHandle(), -1);
    EXPECT_FALSE(link.client->Connected());
    EXPECT_FALSE(link.client->TimerEnabled());
    RecordProperty("events", link.recorder.joined());
}

TEST(SimpleTCPClient, BytesBeforeAnOrderlyCloseAreReadBeforeTheCloseIsReported) {
    Connection link;
    ASSERT_TRUE(link.connected && link.peer.valid());
    link.peer.send("ACK\r");
    link.peer.closeOrderly();
    ASSERT_TRUE(spinUntil([&] { return link.recorder.saw("ConnectionLost"); }));
    EXPECT_EQ(link.recorder.events(),
              (Events{"Read 4 at 0", "Disconnected", "Disconnected", "ConnectionLost"}));
    EXPECT_EQ(link_test::bytesOf(link.recorder.bytesRead()), "ACK\r");
    RecordProperty("events", link.recorder.joined());
}

TEST(SimpleTCPClient, ResetReportsDisconnectedConnectionLostThenError) {
    if (link_test::resetArrivesAsClose()) {
        GTEST_SKIP() << link_test::kResetArrivesAsClose;
    }
    Connection link;
    ASSERT_TRUE(link.connected && link.peer.valid());
    const int socket = link.client->SocketHandle();
    link.peer.reset();
    ASSERT_TRUE(spinUntil([&] { return link.recorder.events().size() >= 3; }));
    spinFor(std::chrono::milliseconds(50));
    EXPECT_EQ(link.recorder.events(),
              (Events{"Disconnected", "ConnectionLost", "Error 10054 Connection reset by peer"}));
    EXPECT_EQ(link.recorder.lastErrorSocket(), socket);
    EXPECT_EQ(link.client->SocketHandle(), -1);
    EXPECT_FALSE(link.client->TimerEnabled()) << "a lost connection is not retried by the timer";
    RecordProperty("events", link.recorder.joined());
}

TEST(SimpleTCPClient, SegmentsThatArriveBeforeTheLinkReactsComeInOneRead) {
    Connection link;
    ASSERT_TRUE(link.connected && link.peer.valid());
    link_test::setSocketOption(link.peer.fd(), IPPROTO_TCP, TCP_NODELAY, 1);
    const std::string segments[] = {"PI=D3C3\r", "G=2000C2004142\r", std::string(3000, 'x')};
    std::string all;
    for (const std::string& segment : segments) {
        link.peer.send(segment);
        all += segment;
    }
    const int expected = static_cast<int>(all.size());
    const int socket = link.client->SocketHandle();
    for (int tries = 0; tries < 500 && waitingAt(socket) < expected; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_EQ(waitingAt(socket), expected);
    ASSERT_TRUE(spinUntil([&] { return !link.recorder.events().empty(); }));
    spinFor(std::chrono::milliseconds(50));
    EXPECT_EQ(link.recorder.events(), (Events{"Read " + std::to_string(expected) + " at 0"}));
    EXPECT_EQ(link_test::bytesOf(link.recorder.bytesRead()), all);
    RecordProperty("events", link.recorder.joined());
}

TEST(SimpleTCPClient, OnDataAvailableTakesOverReadingAndIsNotRepeatedForUnreadBytes) {
    Connection link;
    ASSERT_TRUE(link.connected && link.peer.valid());
    std::vector<int> offered;
    link.client->OnDataAvailable = [&](auto* sender, int size) {
        EXPECT_EQ(sender, link.client.get());
        offered.push_back(size);
    };
    link.peer.send("hello");
    ASSERT_TRUE(spinUntil([&] { return !offered.empty(); }));
    spinFor(std::chrono::milliseconds(100));
    EXPECT_EQ(offered, (std::vector<int>{5}));
    EXPECT_TRUE(link.recorder.events().empty()) << "no OnRead with OnDataAvailable assigned";

    char buffer[16] = {};
    ASSERT_EQ(link.client->ReceiveBuffer(buffer, sizeof buffer), 5);
    EXPECT_EQ(std::string(buffer, 5), "hello");
    link.peer.send("more");
    ASSERT_TRUE(spinUntil([&] { return offered.size() == 2; }));
    EXPECT_EQ(offered.back(), 4);
    RecordProperty("events", "DataAvailable 5, (owner receives 5), DataAvailable 4");
}

TEST(SimpleTCPClient, OnDataAvailableHandlerCanReceiveTheBytesItIsOffered) {
    Connection link;
    ASSERT_TRUE(link.connected && link.peer.valid());
    std::string taken;
    int calls = 0;
    link.client->OnDataAvailable = [&](auto*, int size) {
        ++calls;
        std::string chunk(static_cast<size_t>(size), '\0');
        const int got = link.client->ReceiveBuffer(chunk.data(), size);
        taken += chunk.substr(0, static_cast<size_t>(got > 0 ? got : 0));
    };
    link.peer.send("G=0000\r");
    ASSERT_TRUE(spinUntil([&] { return taken.size() == 7; }));
    link.peer.send("G=1111\r");
    ASSERT_TRUE(spinUntil([&] { return taken.size() == 14; }));
    EXPECT_EQ(taken, "G=0000\rG=1111\r");
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(link.recorder.events().empty());
}

// The stream that OnRead hands over: reads move its position, and a move outside the bytes stops
// at their nearest end.
TEST(SimpleTCPStream, ReadsFromItsPositionAndStopsMovesAtItsEnds) {
    TSimpleTCPStream stream("ACK\rNAK\r");
    EXPECT_EQ(stream.Size(), 8);
    EXPECT_EQ(stream.Position(), 0);
    char buffer[16] = {};
    EXPECT_EQ(stream.Read(buffer, 4), 4);
    EXPECT_EQ(std::string(buffer, 4), "ACK\r");
    EXPECT_EQ(stream.Read(buffer, 16), 4) << "a read stops at the end";
    EXPECT_EQ(stream.Read(buffer, 16), 0);
    EXPECT_EQ(stream.Read(buffer, -1), 0);
    stream.SetPosition(-5);
    EXPECT_EQ(stream.Position(), 0);
    stream.SetPosition(100);
    EXPECT_EQ(stream.Position(), 8);
    stream.SetPosition(4);
    EXPECT_EQ(stream.ReadAll(), "NAK\r");
    EXPECT_EQ(stream.Position(), 8);
}

TEST(SimpleTCPClient, SendBufferSendsNothingForLengthZeroOrWithoutASocket) {
    TSimpleTCPClient idle;
    TcpEventRecorder idleRecorder(idle);
    EXPECT_EQ(idle.SendBuffer("G=1\r", 4), 0);
    EXPECT_TRUE(idleRecorder.events().empty());

    Connection link;
    ASSERT_TRUE(link.connected && link.peer.valid());
    EXPECT_EQ(link.client->SendBuffer("G=1\r", 0), 0);
    EXPECT_EQ(link.client->SendBuffer("G=1\r", -4), 0);
    EXPECT_EQ(link.peer.receive(1, std::chrono::milliseconds(50)), "");
    EXPECT_EQ(link.client->SendBuffer("G=1\r", 4), 4);
    EXPECT_EQ(link.peer.receive(4, std::chrono::seconds(5)), "G=1\r");
    EXPECT_TRUE(link.recorder.events().empty());
    EXPECT_TRUE(link.client->Connected());
}

TEST(SimpleTCPClient, FullSendBufferReportsWouldBlockAndClosesTheLink) {
    Connection link(4096);
    ASSERT_TRUE(link.connected && link.peer.valid());
    link_test::setSocketOption(link.client->SocketHandle(), SOL_SOCKET, SO_SNDBUF, 4096);
    const std::string chunk(16384, 'G');
    int result = 0;
    long long accepted = 0;
    for (int sends = 0; sends < 10000 && result >= 0; ++sends) {
        result = link.client->SendBuffer(chunk.data(), static_cast<int>(chunk.size()));
        accepted += result > 0 ? result : 0;
    }
    EXPECT_EQ(result, -1);
    EXPECT_EQ(link.recorder.events(),
              (Events{"Disconnected", "ConnectionLost", "Error 10035 Operation would block"}));
    EXPECT_EQ(link.client->SocketHandle(), -1);
    EXPECT_FALSE(link.client->Connected());
    RecordProperty("events", link.recorder.joined());
    RecordProperty("bytes_accepted_before_full", std::to_string(accepted));
}

// While the connect is pending nothing can be written, so every byte handed over is kept: up
// to exactly the bound, and not one byte beyond it.
TEST(SimpleTCPClient, SendBoundKeepsExactlyItsSizeAndRefusesOneByteBeyond) {
    for (const int beyond : {0, 1}) {
        TcpTestServer server;
        auto client = std::make_unique<TSimpleTCPClient>();
        client->SetHost("127.0.0.1");
        client->SetPort(server.port());
        TcpEventRecorder recorder(*client);
        client->SetConnected(true);
        const std::string kept(TCustomSocket::kMaxUnsentBytes - 1, 'G');
        ASSERT_EQ(client->SendBuffer(kept.data(), static_cast<int>(kept.size())),
                  static_cast<int>(kept.size()));
        const int last = client->SendBuffer("\r\r", 1 + beyond);
        if (beyond == 0) {
            EXPECT_EQ(last, 1);
            EXPECT_EQ(client->PendingBytes(), 64 * 1024);
            TcpTestPeer peer = server.accept();
            EXPECT_TRUE(spinUntil([&] { return client->PendingBytes() == 0; }));
            EXPECT_EQ(peer.receive(64 * 1024, std::chrono::seconds(5)), kept + "\r");
            EXPECT_EQ(peer.receive(1, std::chrono::milliseconds(50)), "");
            EXPECT_EQ(recorder.events(), (Events{"Connected"}));
        } else {
            EXPECT_EQ(last, -1);
            EXPECT_EQ(client->PendingBytes(), 0);
            EXPECT_EQ(recorder.events(),
                      (Events{"Disconnected", "Error 10035 Operation would block"}));
        }
    }
}

TEST(SimpleTCPClient, SendingToAClosedPeerReportsAnErrorAndNeverRaisesSigpipe) {
    Connection link;
    ASSERT_TRUE(link.connected && link.peer.valid());
    link.peer.closeOrderly();
    int result = 0;
    for (int sends = 0; sends < 100 && result >= 0; ++sends) {
        result = link.client->SendBuffer("G=1\r", 4);
    }
    EXPECT_EQ(result, -1);
    ASSERT_EQ(link.recorder.events().size(), 3u) << link.recorder.joined();
    EXPECT_EQ(link.recorder.events()[0], "Disconnected");
    EXPECT_EQ(link.recorder.events()[1], "ConnectionLost");
    EXPECT_EQ(link.recorder.events()[2].rfind("Error ", 0), 0u);
    link_test::expectSigpipeHandlingUntouched();
    RecordProperty("events", link.recorder.joined());
}

TEST(SimpleTCPClient, AutoReconnectStartsANewAttemptWhenTheConnectionIsLost) {
    Connection link;
    ASSERT_TRUE(link.connected && link.peer.valid());
    link.client->SetAutoReconnect(true);
    link.peer.closeOrderly();
    ASSERT_TRUE(spinUntil([&] { return link.recorder.saw("Connected"); }));
    EXPECT_EQ(link.recorder.events(),
              (Events{"Disconnected", "Disconnected", "ConnectionLost", "Connected"}));
    EXPECT_TRUE(link.server.accept().valid());
}

TEST(SimpleTCPClient, ReadHandlerMayDisconnectTheLink) {
    Connection link;
    ASSERT_TRUE(link.connected && link.peer.valid());
    auto recordRead = link.client->OnRead;
    link.client->OnRead = [&](auto* sender, TSimpleTCPStream& stream) {
        recordRead(sender, stream);
        link.client->Disconnect();
    };
    link.peer.send("ACK\r");
    ASSERT_TRUE(spinUntil([&] { return link.recorder.saw("Disconnected"); }));
    spinFor(std::chrono::milliseconds(50));
    EXPECT_EQ(link.recorder.events(), (Events{"Read 4 at 0", "Disconnected"}));
    EXPECT_EQ(link.client->SocketHandle(), -1);
}

// The platform may give the next socket the number of the one just closed (WinSock does every
// time): what is still queued for the old one (the peer's bytes and its close) must not reach the
// new one while it connects, where the bytes would be offered to the owner as if the new
// connection had them.
TEST(SimpleTCPClient, NotificationsQueuedForAClosedSocketNeverReachTheNextOne) {
    Connection link;
    ASSERT_TRUE(link.connected && link.peer.valid());
    int offered = 0;
    link.client->OnDataAvailable = [&](auto*, int) { ++offered; };
    const int first = link.client->SocketHandle();
    link.peer.send("ACK\r");
    link.peer.closeOrderly();
    for (int tries = 0; tries < 500 && waitingAt(first) < 4; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(waitingAt(first), 4);
    // Time for the notifications to be posted, while no message is taken.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    link.client->Disconnect();
    link.client->SetConnected(true);
    const bool sameHandle = link.client->SocketHandle() == first;
    ASSERT_TRUE(spinUntil([&] { return link.recorder.saw("Connected"); }))
        << link.recorder.joined();
    spinFor(std::chrono::milliseconds(50));
    EXPECT_EQ(link.recorder.events(), (Events{"Disconnected", "Connected"}));
    EXPECT_EQ(offered, 0) << "a readable notification of the closed socket reached the new one";
    EXPECT_TRUE(link.client->Connected());
    RecordProperty("same_handle", sameHandle ? "yes" : "no");
}

}  // namespace
