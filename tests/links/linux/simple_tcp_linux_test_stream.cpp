#include <poll.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SimpleTCP.h"
#include "link_test_platform.h"

// The TCP link's tests of what only Linux has; the rest are shared with Windows in ../.
namespace {

using Events = std::vector<std::string>;

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

}  // namespace
