// The platform's test support comes first: on Windows it brings WinSock before windows.h.
#include "link_test_platform.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "SimpleTCP.h"
#include "SimpleTCPResolver.h"
#include "SimpleTCPRules.h"
#include "links/simple_tcp_test_client.h"
#include "support/fake_name_resolver.h"

namespace {

using Events = std::vector<std::string>;

using link_test::clientFor;
using link_test::kUnresolvableHost;

void connectAndWait(TSimpleTCPClient& client, const TcpEventRecorder& recorder) {
    client.SetConnected(true);
    ASSERT_TRUE(spinUntil([&] { return recorder.saw("Connected"); })) << recorder.joined();
}

TEST(SimpleTCPClient, StartsIdleWithItsDefaults) {
    TSimpleTCPClient client;
    EXPECT_FALSE(client.AutoReconnect());
    EXPECT_EQ(client.AutoReconnectInterval(), 20000);
    EXPECT_FALSE(client.Connected());
    EXPECT_FALSE(client.AllowChangeHostAndPortOnConnection());
    EXPECT_TRUE(client.Host().empty());
    EXPECT_EQ(client.Port(), 0);
    EXPECT_EQ(client.SocketHandle(), -1);
    EXPECT_FALSE(client.TimerEnabled());
}

TEST(SimpleTCPClient, ConnectReportsConnectedOnceAndReadsFalseUntilThen) {
    TcpTestServer server;
    auto client = clientFor(server.port());
    TcpEventRecorder recorder(*client);
    client->SetConnected(true);
    EXPECT_FALSE(client->Connected());
    EXPECT_GE(client->SocketHandle(), 0);
    ASSERT_TRUE(spinUntil([&] { return recorder.saw("Connected"); }));
    spinFor(std::chrono::milliseconds(50));
    EXPECT_EQ(recorder.events(), (Events{"Connected"}));
    EXPECT_TRUE(client->Connected());
    EXPECT_FALSE(client->TimerEnabled());
    EXPECT_TRUE(server.accept().valid());
    RecordProperty("events", recorder.joined());
}

TEST(SimpleTCPClient, WritingTrueTwiceWhilePendingStartsOneAttempt) {
    TcpTestServer server;
    auto client = clientFor(server.port());
    TcpEventRecorder recorder(*client);
    client->SetConnected(true);
    const int socket = client->SocketHandle();
    client->SetConnected(true);
    EXPECT_EQ(client->SocketHandle(), socket);
    EXPECT_FALSE(client->Connected());
    ASSERT_TRUE(spinUntil([&] { return recorder.saw("Connected"); }));
    spinFor(std::chrono::milliseconds(50));
    EXPECT_EQ(recorder.events(), (Events{"Connected"}));
    EXPECT_TRUE(server.accept().valid());
    EXPECT_FALSE(server.hasPendingConnection());
    RecordProperty("events", recorder.joined());
}

TEST(SimpleTCPClient, RefusedConnectReportsDisconnectedThenErrorAndArmsTheRetry) {
    TcpTestServer refusing(TcpTestServer::Mode::Refusing);
    auto client = clientFor(refusing.port());
    TcpEventRecorder recorder(*client);
    client->SetConnected(true);
    const int socket = client->SocketHandle();
    ASSERT_TRUE(spinUntil([&] { return recorder.events().size() >= 2; }));
    spinFor(std::chrono::milliseconds(50));
    EXPECT_EQ(recorder.events(), (Events{"Disconnected", "Error 10061 Connection refused"}));
    EXPECT_EQ(recorder.lastErrorSocket(), socket);
    EXPECT_EQ(client->SocketHandle(), -1);
    EXPECT_FALSE(client->Connected());
    EXPECT_TRUE(client->TimerEnabled());
    RecordProperty("events", recorder.joined());
}

TEST(SimpleTCPClient, RetryTimerConnectsOnceThePortListens) {
    TcpTestServer server(TcpTestServer::Mode::Refusing);
    auto client = clientFor(server.port());
    client->SetAutoReconnectInterval(30);
    TcpEventRecorder recorder(*client);
    client->SetConnected(true);
    ASSERT_TRUE(spinUntil([&] { return recorder.count("Error 10061 Connection refused") >= 2; }))
        << "the retry timer made no second attempt: " << recorder.joined();
    server.listen();
    ASSERT_TRUE(spinUntil([&] { return recorder.saw("Connected"); })) << recorder.joined();
    EXPECT_EQ(recorder.events().back(), "Connected");
    EXPECT_FALSE(client->TimerEnabled());
    spinFor(std::chrono::milliseconds(100));
    EXPECT_EQ(recorder.events().back(), "Connected");
    EXPECT_TRUE(server.accept().valid());
    EXPECT_FALSE(server.hasPendingConnection());
}

TEST(SimpleTCPClient, UnresolvableHostReportsBadAddressWithoutASocket) {
    // A NUL inside the text must not let the part before it pass for the whole name.
    const std::string cutShort("127.0.0.1\0.example", 19);
    for (const std::string& host : {kUnresolvableHost, std::string(), cutShort}) {
        TSimpleTCPClient client;
        client.SetHost(host);
        client.SetPort(23);
        TcpEventRecorder recorder(client);
        client.SetConnected(true);
        EXPECT_EQ(recorder.events(), (Events{"Disconnected", "Error 10014 Bad address"})) << host;
        EXPECT_EQ(recorder.lastErrorSocket(), -1);
        EXPECT_EQ(client.SocketHandle(), -1);
        EXPECT_TRUE(client.TimerEnabled());
        RecordProperty("events", recorder.joined());
    }
}

// The hosts file knows the name, so the system's resolver answers without a name server.
TEST(SimpleTCPClient, HostNameIsLookedUpAwayFromTheCallingThread) {
    TcpTestServer server;
    auto client = clientFor(server.port());
    client->SetHost("localhost");
    TcpEventRecorder recorder(*client);
    client->SetConnected(true);
    EXPECT_EQ(client->SocketHandle(), -1) << "the attempt waited for the resolver";
    EXPECT_TRUE(recorder.events().empty());
    ASSERT_TRUE(spinUntil([&] { return recorder.saw("Connected"); })) << recorder.joined();
    EXPECT_EQ(recorder.events(), (Events{"Connected"}));
    EXPECT_TRUE(server.accept().valid());
}

TEST(SimpleTCPClient, AttemptWaitsForTheResolverAsLongAsItTakesThenConnects) {
    TcpTestServer server;
    auto client = clientFor(server.port());
    client->SetHost("encoder.example");
    const auto resolver = FakeNameResolver::InstallIn(*client);
    TcpEventRecorder recorder(*client);
    client->SetConnected(true);
    EXPECT_TRUE(client->Resolving());
    spinFor(std::chrono::milliseconds(100));
    client->SetConnected(true);  // a retry while the lookup runs starts no second one
    EXPECT_EQ(resolver->started, (std::vector<std::string>{"encoder.example"}));
    EXPECT_TRUE(recorder.events().empty());
    EXPECT_EQ(client->SocketHandle(), -1);
    EXPECT_EQ(client->SendBuffer("G=1\r", 4), 0) << "nothing to send on before a socket exists";
    resolver->Resolve("127.0.0.1");
    ASSERT_TRUE(spinUntil([&] { return recorder.saw("Connected"); })) << recorder.joined();
    EXPECT_EQ(recorder.events(), (Events{"Connected"}));
    EXPECT_FALSE(client->Resolving());
    EXPECT_TRUE(server.accept().valid());
}

// The text is handed on as bytes: a name in UTF-8, or in another encoding that is no valid
// UTF-8, reaches the resolver and comes back from Host exactly as it was set.
TEST(SimpleTCPClient, HostTextKeepsItsBytesUpToTheResolver) {
    for (const std::string host :
         {"\xC3\xA9metteur.example", "\xE9metteur.example", "enc\x80oder.example"}) {
        auto client = clientFor(23);
        client->SetHost(host);
        const auto resolver = FakeNameResolver::InstallIn(*client);
        client->SetConnected(true);
        EXPECT_EQ(client->Host(), host);
        EXPECT_EQ(resolver->started, (std::vector<std::string>{host}));
    }
}

TEST(SimpleTCPClient, NameWithoutAnAddressReportsBadAddressWhenTheAnswerComes) {
    auto client = clientFor(23);
    client->SetHost("nowhere.example");
    const auto resolver = FakeNameResolver::InstallIn(*client);
    TcpEventRecorder recorder(*client);
    client->SetConnected(true);
    EXPECT_TRUE(recorder.events().empty());
    resolver->Fail();
    ASSERT_TRUE(spinUntil([&] { return recorder.events().size() >= 2; }));
    EXPECT_EQ(recorder.events(), (Events{"Disconnected", "Error 10014 Bad address"}));
    EXPECT_EQ(recorder.lastErrorSocket(), -1);
    EXPECT_TRUE(client->TimerEnabled());
    EXPECT_FALSE(client->Resolving());
}

// Whatever ends the attempt while its name is looked up wins: the answer, however late, is
// never used to connect.
TEST(SimpleTCPClient, DisconnectOrDestructionWhileALookupRunsWinsOverItsLateAnswer) {
    for (const bool destroy : {false, true}) {
        TcpTestServer server;
        auto client = clientFor(server.port());
        client->SetHost("encoder.example");
        const auto resolver = FakeNameResolver::InstallIn(*client);
        TcpEventRecorder recorder(*client);
        client->SetConnected(true);
        if (destroy) {
            client.reset();
            EXPECT_TRUE(resolver->destroyed);
        } else {
            client->Disconnect();
            EXPECT_FALSE(client->Resolving());
        }
        const Events afterTheEnd = recorder.events();
        EXPECT_EQ(afterTheEnd, destroy ? Events{} : Events{"Disconnected"});
        EXPECT_EQ(resolver->abandoned, 1) << destroy;
        resolver->Resolve("127.0.0.1");
        spinFor(std::chrono::milliseconds(100));
        EXPECT_EQ(recorder.events(), afterTheEnd) << destroy;
        EXPECT_FALSE(server.hasPendingConnection()) << destroy;
        if (!destroy) {
            EXPECT_FALSE(client->TimerEnabled());
            EXPECT_EQ(client->SocketHandle(), -1);
        }
    }
}

// There is no connection yet to keep, so an edit is taken without any event, allowed or not: a
// new name is looked up, a dotted address connected to at once, a new port used when the answer
// comes; the answer for the old name is never used.
TEST(SimpleTCPClient, HostOrPortChangeWhileALookupRunsTakesEffectWithoutEvents) {
    for (const bool dotted : {false, true}) {
        TcpTestServer server;
        auto client = clientFor(1);
        client->SetHost("first.example");
        const auto resolver = FakeNameResolver::InstallIn(*client);
        TcpEventRecorder recorder(*client);
        client->SetConnected(true);
        client->SetPort(server.port());
        client->SetHost(dotted ? "127.0.0.1" : "second.example");
        EXPECT_TRUE(recorder.events().empty()) << recorder.joined();
        EXPECT_EQ(resolver->abandoned, 1);
        EXPECT_EQ(resolver->started.size(), dotted ? 1u : 2u);
        EXPECT_EQ(client->Resolving(), !dotted);
        if (!dotted) {
            EXPECT_EQ(resolver->started.back(), "second.example");
            resolver->Resolve("127.0.0.1");
        }
        ASSERT_TRUE(spinUntil([&] { return recorder.saw("Connected"); })) << recorder.joined();
        EXPECT_EQ(recorder.events(), (Events{"Connected"}));
        EXPECT_TRUE(server.accept().valid());
    }
}

simple_tcp::Lookup answerWithin(simple_tcp::NameResolver& resolver, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    simple_tcp::Lookup answer = resolver.Poll();
    while (answer.state == simple_tcp::Lookup::State::Running &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        answer = resolver.Poll();
    }
    return answer;
}

// The hosts file answers, so no name server is asked. Lookups left running when the resolver
// goes are left to the C library, which the sanitizer build watches.
TEST(SystemResolver, GivesTheAnswerOfTheLatestLookupOnce) {
    using State = simple_tcp::Lookup::State;
    const auto resolver = simple_tcp::MakeSystemResolver();
    EXPECT_EQ(resolver->Poll().state, State::Failed) << "no lookup yet";
    resolver->Start("localhost");
    resolver->Abandon();
    EXPECT_EQ(resolver->Poll().state, State::Failed) << "an abandoned lookup answered";
    resolver->Start("localhost");
    const simple_tcp::Lookup answer = answerWithin(*resolver, std::chrono::seconds(5));
    EXPECT_EQ(answer.state, State::Resolved);
    EXPECT_EQ(answer.address, ::inet_addr("127.0.0.1"));
    EXPECT_EQ(resolver->Poll().state, State::Failed) << "the answer was given twice";
    for (int round = 0; round < 50; ++round) {
        auto goingAway = simple_tcp::MakeSystemResolver();
        goingAway->Start("localhost");
        goingAway->Start("localhost");
    }
}

// Only a name goes to the resolver: a dotted address connects at once, and a text of digits
// and dots that is no address fails at once, as the resolver would without a query.
TEST(SimpleTCPClient, HostTextsThatAreNoNamesNeverReachTheResolver) {
    using Kind = simple_tcp::HostText::Kind;
    const std::tuple<std::string, Kind, const char*> cases[] = {
        {"127.0.0.1", Kind::Address, "127.0.0.1"},
        {"127.1", Kind::Address, "127.0.0.1"},
        {"255.255.255.255", Kind::Address, "255.255.255.255"},
        {"999.999.999.999", Kind::Invalid, nullptr},
        {"1.2.3.4.5", Kind::Invalid, nullptr},
        {"", Kind::Invalid, nullptr},
        {std::string("127.0.0.1\0.example", 18), Kind::Invalid, nullptr},
        {"1.2.3.", Kind::Name, nullptr},
        {"10.example", Kind::Name, nullptr},
        {"localhost", Kind::Name, nullptr}};
    for (const auto& [text, kind, address] : cases) {
        const simple_tcp::HostText host = simple_tcp::classifyHost(text);
        EXPECT_EQ(host.kind, kind) << text;
        if (address != nullptr) {
            EXPECT_EQ(host.address, ::inet_addr(address)) << text;
        }
    }
    TcpTestServer server;
    auto client = clientFor(server.port());
    const auto resolver = FakeNameResolver::InstallIn(*client);
    client->SetConnected(true);
    EXPECT_GE(client->SocketHandle(), 0);
    EXPECT_TRUE(resolver->started.empty());
}

TEST(SimpleTCPClient, WritingFalseWhenIdleFiresNothing) {
    TSimpleTCPClient client;
    TcpEventRecorder recorder(client);
    client.SetConnected(false);
    client.Disconnect();
    EXPECT_TRUE(recorder.events().empty());
}

TEST(SimpleTCPClient, WritingFalseWhileConnectingEndsTheAttemptForGood) {
    TcpTestServer server;
    auto client = clientFor(server.port());
    TcpEventRecorder recorder(*client);
    client->SetConnected(true);
    client->SetConnected(false);
    EXPECT_EQ(recorder.events(), (Events{"Disconnected"}));
    spinFor(std::chrono::milliseconds(100));
    EXPECT_EQ(recorder.events(), (Events{"Disconnected"}));
    EXPECT_EQ(client->SocketHandle(), -1);
    EXPECT_FALSE(client->TimerEnabled());
}

TEST(SimpleTCPClient, DisconnectByTheOwnerFiresDisconnectedOnceAndResetsThePeer) {
    TcpTestServer server;
    auto client = clientFor(server.port());
    TcpEventRecorder recorder(*client);
    connectAndWait(*client, recorder);
    TcpTestPeer peer = server.accept();
    client->Disconnect();
    EXPECT_EQ(recorder.events(), (Events{"Connected", "Disconnected"}));
    EXPECT_EQ(client->SocketHandle(), -1);
    EXPECT_FALSE(client->Connected());
    EXPECT_FALSE(client->TimerEnabled());
    EXPECT_TRUE(peerWasReset(peer)) << "the close should be abortive";
    spinFor(std::chrono::milliseconds(50));
    EXPECT_EQ(recorder.events().size(), 2u);
}

TEST(SimpleTCPClient, HostAndPortCannotChangeWhileActive) {
    TcpTestServer server;
    auto client = clientFor(server.port());
    TcpEventRecorder recorder(*client);
    client->SetConnected(true);
    try {
        client->SetPort(static_cast<uint16_t>(server.port() + 1));
        ADD_FAILURE() << "changing Port while connecting was accepted";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Cannot change Port while active");
    }
    connectAndWait(*client, recorder);
    try {
        client->SetHost("127.0.0.2");
        ADD_FAILURE() << "changing Host while connected was accepted";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Cannot change Host while active");
    }
    EXPECT_NO_THROW(client->SetHost("127.0.0.1"));
    EXPECT_EQ(client->Host(), "127.0.0.1");
    EXPECT_EQ(client->Port(), server.port());
    EXPECT_TRUE(client->Connected());
    EXPECT_EQ(recorder.events(), (Events{"Connected"}));
}

TEST(SimpleTCPClient, PortChangeWhileActiveReconnectsWhenAllowed) {
    TcpTestServer first;
    TcpTestServer second;
    auto client = clientFor(first.port());
    client->SetAllowChangeHostAndPortOnConnection(true);
    TcpEventRecorder recorder(*client);
    connectAndWait(*client, recorder);
    client->SetPort(second.port());
    EXPECT_EQ(client->Port(), second.port());
    ASSERT_TRUE(spinUntil([&] { return recorder.count("Connected") == 2; }));
    EXPECT_EQ(recorder.events(), (Events{"Connected", "Disconnected", "Connected"}));
    EXPECT_TRUE(second.accept().valid());
}

TEST(SimpleTCPClient, ClosingStopsTheRetryTimer) {
    TcpTestServer refusing(TcpTestServer::Mode::Refusing);
    auto client = clientFor(refusing.port());
    client->SetAutoReconnectInterval(30);
    TcpEventRecorder recorder(*client);
    client->SetConnected(true);
    ASSERT_TRUE(spinUntil([&] { return recorder.events().size() >= 2; }));
    client->SetConnected(true);  // the owner's own attempt; the timer runs on meanwhile
    ASSERT_TRUE(client->TimerEnabled());
    client->Disconnect();
    EXPECT_FALSE(client->TimerEnabled());
    recorder.clear();
    spinFor(std::chrono::milliseconds(150));
    EXPECT_TRUE(recorder.events().empty()) << "the retry timer went on: " << recorder.joined();
}

TEST(SimpleTCPClient, FailureWithoutOnErrorIsRaisedToTheCaller) {
    TSimpleTCPClient client;
    client.SetHost(kUnresolvableHost);
    try {
        client.SetConnected(true);
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "Bad address");
    }
    EXPECT_EQ(client.SocketHandle(), -1);
    EXPECT_TRUE(client.TimerEnabled());
}

TEST(SimpleTCPClient, FailureWithoutOnErrorInANotificationGoesToOnException) {
    TcpTestServer refusing(TcpTestServer::Mode::Refusing);
    auto client = clientFor(refusing.port());
    std::vector<std::string> caught;
    client->OnException = [&](auto* sender, const auto& message) {
        EXPECT_EQ(sender, client.get());
        caught.push_back(link_test::textOf(message));
    };
    client->SetConnected(true);
    ASSERT_TRUE(spinUntil([&] { return !caught.empty(); }));
    EXPECT_EQ(caught, (std::vector<std::string>{"Connection refused"}));
    EXPECT_EQ(client->SocketHandle(), -1);
    EXPECT_TRUE(client->TimerEnabled());
}

TEST(SimpleTCPClient, HandlerExceptionLeavesTheLinkWhereItWas) {
    TcpTestServer server;
    auto client = clientFor(server.port());
    std::vector<std::string> caught;
    client->OnException = [&](auto*, const auto& message) {
        caught.push_back(link_test::textOf(message));
    };
    client->OnConnected = [](auto*) { throw std::runtime_error("handler failed"); };
    client->SetConnected(true);
    ASSERT_TRUE(spinUntil([&] { return !caught.empty(); }));
    EXPECT_EQ(caught, (std::vector<std::string>{"handler failed"}));
    EXPECT_TRUE(client->Connected());
    EXPECT_GE(client->SocketHandle(), 0);
}

}  // namespace
