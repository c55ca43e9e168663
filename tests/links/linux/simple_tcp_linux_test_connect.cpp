#include <QTimer>

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include "SimpleTCP.h"
#include "link_test_platform.h"
#include "links/simple_tcp_test_client.h"

// The TCP link's connect tests of what only the Qt build has: its timer can be read back, and a
// thread without an event loop refuses it. Windows has its own twins of these.
namespace {

using link_test::clientFor;
using link_test::kUnresolvableHost;

TEST(SimpleTCPClient, LongestReconnectIntervalIsAcceptedAsATimerPeriod) {
    TcpTestServer refusing(TcpTestServer::Mode::Refusing);
    auto client = clientFor(refusing.port());
    client->SetAutoReconnectInterval(2147480000);
    TcpEventRecorder recorder(*client);
    client->SetConnected(true);
    ASSERT_TRUE(spinUntil([&] { return recorder.events().size() >= 2; }));
    EXPECT_TRUE(client->TimerEnabled());
    const auto* timer = client->findChild<QTimer*>();
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 2147480000);
}

TEST(SimpleTCPClient, ReconnectIntervalsTheTimerCannotRunAreBounded) {
    const std::pair<int32_t, int> cases[] = {{0, 10}, {7, 10}, {-1, INT_MAX}, {250, 250}};
    for (const auto& [interval, period] : cases) {
        TSimpleTCPClient client;
        client.SetHost(kUnresolvableHost);
        client.OnError = [](QObject*, int, int, const std::string&) {};
        client.SetAutoReconnectInterval(interval);
        client.SetConnected(true);
        EXPECT_EQ(client.AutoReconnectInterval(), interval);
        const auto* timer = client.findChild<QTimer*>();
        ASSERT_NE(timer, nullptr);
        EXPECT_TRUE(timer->isActive());
        EXPECT_EQ(timer->interval(), period) << interval;
    }
}

TEST(SimpleTCPClient, RefusedTimerRaisesNotEnoughTimers) {
    // A plain thread has no Qt event loop, so the timer cannot be started there.
    std::string message;
    std::thread outsideQt([&] {
        TSimpleTCPClient client;
        client.SetHost(kUnresolvableHost);
        client.OnError = [](QObject*, int, int, const std::string&) {};
        try {
            client.SetConnected(true);
        } catch (const EOutOfResources& error) {
            message = error.what();
        }
    });
    outsideQt.join();
    EXPECT_EQ(message, "Not enough timers available");
}

}  // namespace
