#include <QObject>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "SimpleTCP.h"
#include "links/simple_tcp_test_client.h"
#include "support/tcp_event_recorder.h"
#include "support/tcp_test_server.h"

namespace {

using link_test::clientFor;

// One full cycle: connect, the server accepts, the client closes. False when it did not connect.
bool connectAndClose(TSimpleTCPClient& client, TcpTestServer& server) {
    bool connected = false;
    client.OnConnected = [&](QObject*) { connected = true; };
    client.SetConnected(true);
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
    const int before = openFdCount();
    client.reset();
    EXPECT_EQ(openFdCount(), before - 1);
    EXPECT_EQ(recorder.joined(), "Connected");
    EXPECT_TRUE(peerWasReset(peer)) << "the close should be abortive";
}

TEST(SimpleTCPClient, OwnerDestructionClosesItsClientWithoutEvents) {
    TcpTestServer server;
    auto owner = std::make_unique<QObject>();
    auto* client = new TSimpleTCPClient(owner.get());
    client->SetHost("127.0.0.1");
    client->SetPort(server.port());
    int events = 0;
    client->OnConnected = [&](QObject*) { ++events; };
    client->OnDisconnected = [&](QObject*) { ++events; };
    client->OnError = [&](QObject*, int, int, const std::string&) { ++events; };
    client->SetConnected(true);
    ASSERT_TRUE(spinUntil([&] { return events == 1; }));
    TcpTestPeer peer = server.accept();
    const int before = openFdCount();
    owner.reset();
    EXPECT_EQ(events, 1);
    EXPECT_EQ(openFdCount(), before - 1);
    EXPECT_TRUE(peerWasReset(peer));
}

TEST(SimpleTCPClient, DestructionWhileConnectingOrWaitingToRetryFiresNothing) {
    TcpTestServer server;
    TcpTestServer refusing(TcpTestServer::Mode::Refusing);
    const int before = openFdCount();
    {
        auto connecting = clientFor(server.port());
        TcpEventRecorder recorder(*connecting);
        connecting->SetConnected(true);
        connecting.reset();
        EXPECT_TRUE(recorder.events().empty());
    }
    {
        auto retrying = clientFor(refusing.port());
        TcpEventRecorder recorder(*retrying);
        retrying->SetAutoReconnectInterval(20);
        retrying->SetConnected(true);
        ASSERT_TRUE(spinUntil([&] { return recorder.events().size() == 2; }));
        ASSERT_TRUE(retrying->TimerEnabled());
        retrying.reset();
        spinFor(std::chrono::milliseconds(60));
        EXPECT_EQ(recorder.events().size(), 2u);
    }
    EXPECT_EQ(openFdCount(), before);
}

TEST(SimpleTCPClient, ThousandConnectCloseCyclesLeaveNoDescriptorOpen) {
    TcpTestServer server;
    auto client = clientFor(server.port());
    ASSERT_TRUE(connectAndClose(*client, server));
    spinFor(std::chrono::milliseconds(10));
    const int before = openFdCount();
    const auto started = std::chrono::steady_clock::now();
    int cycles = 0;
    while (cycles < 1000 && connectAndClose(*client, server)) {
        ++cycles;
    }
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started);
    spinFor(std::chrono::milliseconds(10));
    const int after = openFdCount();
    EXPECT_EQ(cycles, 1000);
    EXPECT_EQ(after, before);
    RecordProperty("fd_before", before);
    RecordProperty("fd_after", after);
    RecordProperty("cycles", cycles);
    RecordProperty("elapsed_ms", static_cast<int>(elapsed.count()));
}

TEST(SimpleTCPClient, FailedAttemptsLeaveNoDescriptorOpen) {
    TcpTestServer refusing(TcpTestServer::Mode::Refusing);
    auto client = clientFor(refusing.port());
    int errors = 0;
    client->OnError = [&](QObject*, int, int, const std::string&) { ++errors; };
    const int before = openFdCount();
    for (int attempt = 1; attempt <= 200; ++attempt) {
        client->SetConnected(true);
        ASSERT_TRUE(spinUntil([&] { return errors == attempt; }));
    }
    client->SetHost("999.999.999.999");
    client->SetConnected(true);
    EXPECT_EQ(errors, 201);
    spinFor(std::chrono::milliseconds(10));
    EXPECT_EQ(openFdCount(), before);
}

}  // namespace
