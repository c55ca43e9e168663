// The platform's test support comes first: on Windows it brings WinSock before windows.h.
#include "link_test_platform.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "SimpleTCP.h"

namespace {

using Events = std::vector<std::string>;

// What the peer (or the owner) does to make the link fire its events.
enum class Trigger { Connect, Refuse, OwnerDisconnects, PeerCloses, PeerResets, PeerSends, Send };

struct DeletionCase {
    std::string name;
    Trigger trigger;
    std::string deletingEvent;
    bool offerData = false;
};

void PrintTo(const DeletionCase& row, std::ostream* out) {
    *out << row.name;
}

// Binds every event to write it down; the event named in the case deletes the client.
class DeletingOwner {
public:
    DeletingOwner(const DeletionCase& row, uint16_t port)
        : m_client(std::make_unique<TSimpleTCPClient>()), m_deletingEvent(row.deletingEvent) {
        m_client->SetHost("127.0.0.1");
        m_client->SetPort(port);
        m_client->OnConnected = [this](auto*) { note("Connected"); };
        m_client->OnDisconnected = [this](auto*) { note("Disconnected"); };
        m_client->OnConnectionLost = [this](auto*) { note("ConnectionLost"); };
        m_client->OnRead = [this](auto*, TSimpleTCPStream&) { note("Read"); };
        m_client->OnError = [this](auto*, int, int, const std::string&) { note("Error"); };
        if (row.offerData) {
            m_client->OnDataAvailable = [this](auto*, int) { note("DataAvailable"); };
        }
    }

    [[nodiscard]] TSimpleTCPClient* client() const { return m_client.get(); }
    [[nodiscard]] bool deleted() const { return m_client == nullptr; }
    [[nodiscard]] const Events& events() const { return m_events; }

private:
    void note(const std::string& event) {
        m_events.push_back(event);
        if (event == m_deletingEvent) {
            m_client.reset();
        }
    }

    std::unique_ptr<TSimpleTCPClient> m_client;
    std::string m_deletingEvent;
    Events m_events;
};

class SimpleTCPClientDeletedByHandler : public ::testing::TestWithParam<DeletionCase> {};

void trigger(Trigger what, DeletingOwner& owner, TcpTestServer& server) {
    owner.client()->SetConnected(true);
    if (what == Trigger::Connect || what == Trigger::Refuse) {
        return;
    }
    ASSERT_TRUE(spinUntil([&] { return owner.client()->Connected(); }));
    TcpTestPeer peer = server.accept();
    ASSERT_TRUE(peer.valid());
    switch (what) {
        case Trigger::OwnerDisconnects:
            owner.client()->Disconnect();
            break;
        case Trigger::PeerCloses:
            peer.closeOrderly();
            break;
        case Trigger::PeerResets:
            peer.reset();
            break;
        case Trigger::PeerSends:
            peer.send("ACK\r");
            break;
        case Trigger::Send:
            peer.reset();
            for (int sends = 0; sends < 100 && !owner.deleted(); ++sends) {
                owner.client()->SendBuffer("G=1\r", 4);
            }
            break;
        default:
            break;
    }
    ASSERT_TRUE(spinUntil([&] { return owner.deleted(); }))
        << ::testing::PrintToString(owner.events());
}

// Run under the sanitizer build, these show any touch of the deleted client.
TEST_P(SimpleTCPClientDeletedByHandler, StopsAtOnceAndFiresNothingMore) {
    const DeletionCase& row = GetParam();
    if (row.trigger == Trigger::PeerResets && row.deletingEvent == "Error" &&
        link_test::resetArrivesAsClose()) {
        GTEST_SKIP() << link_test::kResetArrivesAsClose;
    }
    TcpTestServer server(row.trigger == Trigger::Refuse ? TcpTestServer::Mode::Refusing
                                                        : TcpTestServer::Mode::Listening);
    DeletingOwner owner(row, server.port());
    trigger(row.trigger, owner, server);
    ASSERT_TRUE(spinUntil([&] { return owner.deleted(); }))
        << ::testing::PrintToString(owner.events());
    spinFor(std::chrono::milliseconds(30));
    ASSERT_FALSE(owner.events().empty());
    EXPECT_EQ(owner.events().back(), row.deletingEvent) << ::testing::PrintToString(owner.events());
}

INSTANTIATE_TEST_SUITE_P(
    Paths, SimpleTCPClientDeletedByHandler,
    ::testing::Values(
        DeletionCase{"OnConnected", Trigger::Connect, "Connected"},
        DeletionCase{"OnDisconnectedOfARefusedConnect", Trigger::Refuse, "Disconnected"},
        DeletionCase{"OnErrorOfARefusedConnect", Trigger::Refuse, "Error"},
        DeletionCase{"OnDisconnectedByTheOwner", Trigger::OwnerDisconnects, "Disconnected"},
        DeletionCase{"OnDisconnectedOfAPeerClose", Trigger::PeerCloses, "Disconnected"},
        DeletionCase{"OnConnectionLostOfAPeerClose", Trigger::PeerCloses, "ConnectionLost"},
        DeletionCase{"OnDisconnectedOfAReset", Trigger::PeerResets, "Disconnected"},
        DeletionCase{"OnConnectionLostOfAReset", Trigger::PeerResets, "ConnectionLost"},
        DeletionCase{"OnErrorOfAReset", Trigger::PeerResets, "Error"},
        DeletionCase{"OnRead", Trigger::PeerSends, "Read"},
        DeletionCase{"OnDataAvailable", Trigger::PeerSends, "DataAvailable", true},
        DeletionCase{"OnDisconnectedOfAFailedSend", Trigger::Send, "Disconnected"},
        DeletionCase{"OnConnectionLostOfAFailedSend", Trigger::Send, "ConnectionLost"},
        DeletionCase{"OnErrorOfAFailedSend", Trigger::Send, "Error"}),
    [](const ::testing::TestParamInfo<DeletionCase>& testCase) { return testCase.param.name; });

TEST(SimpleTCPClientDeletedByHandler, DeletionInsideReceiveBufferOfTheOwnerIsSafe) {
    TcpTestServer server;
    DeletingOwner owner({"", Trigger::PeerCloses, "Disconnected"}, server.port());
    TSimpleTCPClient* client = owner.client();
    client->OnDataAvailable = [client](auto*, int) {
        char buffer[16];
        while (client->ReceiveBuffer(buffer, sizeof buffer) > 0) {
        }
    };
    client->SetConnected(true);
    ASSERT_TRUE(spinUntil([&] { return client->Connected(); }));
    TcpTestPeer peer = server.accept();
    peer.send("ACK\r");
    peer.closeOrderly();
    ASSERT_TRUE(spinUntil([&] { return owner.deleted(); }));
    spinFor(std::chrono::milliseconds(30));
    EXPECT_EQ(owner.events().back(), "Disconnected");
}

}  // namespace
