#include "support/win32_socket_probe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <set>
#include <string>

#include "SimpleTCP.h"
#include "links/simple_tcp_test_client.h"
#include "support/win32_tcp_event_recorder.h"
#include "support/win32_tcp_test_server.h"

// Wine does not count handles (GetProcessHandleCount gives 0), so these tests check that every
// socket the link held is closed, by its handle, instead of counting descriptors as on Linux.

namespace {

using test_support::isOpenSocket;

using link_test::clientFor;

bool anyOpen(const std::set<int>& sockets) {
    return std::any_of(sockets.begin(), sockets.end(), isOpenSocket);
}

// One full cycle: connect, the server accepts, the client closes. False when it did not connect.
bool connectAndClose(TSimpleTCPClient& client, TcpTestServer& server, std::set<int>& sockets) {
    bool connected = false;
    client.OnConnected = [&](TComponent*) { connected = true; };
    client.SetConnected(true);
    sockets.insert(client.SocketHandle());
    if (!spinUntil([&] { return connected; })) {
        return false;
    }
    TcpTestPeer peer = server.accept();
    client.Disconnect();
    return peer.valid();
}

TEST(SimpleTCPClient, DestructionWhileConnectedClosesWithoutEvents) {
    TcpTestServer server;
    auto client = clientFor(server.port());
    TcpEventRecorder recorder(*client);
    client->SetConnected(true);
    ASSERT_TRUE(spinUntil([&] { return recorder.saw("Connected"); }));
    TcpTestPeer peer = server.accept();
    const int socket = client->SocketHandle();
    ASSERT_TRUE(isOpenSocket(socket));
    client.reset();
    EXPECT_FALSE(isOpenSocket(socket));
    EXPECT_EQ(recorder.joined(), "Connected");
    EXPECT_TRUE(peerWasReset(peer)) << "the close should be abortive";
}

TEST(SimpleTCPClient, DestructionWhileConnectingOrWaitingToRetryFiresNothing) {
    TcpTestServer server;
    TcpTestServer refusing(TcpTestServer::Mode::Refusing);
    std::set<int> sockets;
    {
        auto connecting = clientFor(server.port());
        TcpEventRecorder recorder(*connecting);
        connecting->SetConnected(true);
        sockets.insert(connecting->SocketHandle());
        connecting.reset();
        EXPECT_TRUE(recorder.events().empty());
    }
    {
        auto retrying = clientFor(refusing.port());
        TcpEventRecorder recorder(*retrying);
        retrying->SetAutoReconnectInterval(20);
        retrying->SetConnected(true);
        sockets.insert(retrying->SocketHandle());
        ASSERT_TRUE(spinUntil([&] { return recorder.events().size() == 2; }));
        ASSERT_TRUE(retrying->TimerEnabled());
        retrying.reset();
        spinFor(std::chrono::milliseconds(60));
        EXPECT_EQ(recorder.events().size(), 2u);
    }
    EXPECT_FALSE(anyOpen(sockets));
}

TEST(SimpleTCPClient, ThousandConnectCloseCyclesLeaveNoDescriptorOpen) {
    TcpTestServer server;
    auto client = clientFor(server.port());
    std::set<int> sockets;
    const auto started = std::chrono::steady_clock::now();
    int cycles = 0;
    while (cycles < 1000 && connectAndClose(*client, server, sockets)) {
        ++cycles;
    }
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started);
    EXPECT_EQ(cycles, 1000);
    EXPECT_FALSE(anyOpen(sockets));
    EXPECT_EQ(client->SocketHandle(), -1);
    RecordProperty("cycles", cycles);
    RecordProperty("distinct_sockets", static_cast<int>(sockets.size()));
    RecordProperty("elapsed_ms", static_cast<int>(elapsed.count()));
}

TEST(SimpleTCPClient, FailedAttemptsLeaveNoDescriptorOpen) {
    TcpTestServer refusing(TcpTestServer::Mode::Refusing);
    auto client = clientFor(refusing.port());
    int errors = 0;
    client->OnError = [&](TComponent*, int, int, const std::string&) { ++errors; };
    std::set<int> sockets;
    for (int attempt = 1; attempt <= 200; ++attempt) {
        client->SetConnected(true);
        sockets.insert(client->SocketHandle());
        ASSERT_TRUE(spinUntil([&] { return errors == attempt; }));
    }
    client->SetHost("999.999.999.999");
    client->SetConnected(true);
    EXPECT_EQ(errors, 201);
    EXPECT_EQ(client->SocketHandle(), -1);
    EXPECT_FALSE(anyOpen(sockets));
}

}  // namespace
