#include "link_test_platform.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "SimpleTCP.h"
#include "links/simple_tcp_test_client.h"

// The TCP link's connect tests of what only the Win32 build has: the lookup thread's hold on its
// module, and the window's timer, whose period cannot be read back. Linux has its own twins of
// the timer tests.
namespace {

using link_test::clientFor;
using link_test::kUnresolvableHost;

// The lookup's thread holds the module whose code it runs: a host may unload the library while
// a lookup runs, and the module goes only once the thread is out of it, and then for good.
TEST(SystemResolver, ModuleUnloadedWhileALookupRunsGoesOnlyWhenItsThreadsAreDone) {
    constexpr const char* kModule = "simple_tcp_resolver_module.dll";
    for (int round = 0; round < 20; ++round) {
        const HMODULE module = LoadLibraryA(kModule);
        ASSERT_NE(module, nullptr) << "cannot load " << kModule << ": " << GetLastError();
        void (*startLookup)(const char*) = nullptr;
        const FARPROC address = GetProcAddress(module, "StartLookup");
        ASSERT_NE(address, nullptr);
        std::memcpy(&startLookup, &address, sizeof startLookup);
        startLookup("localhost");
        startLookup("localhost");
        FreeLibrary(module);
        EXPECT_TRUE(spinUntil([&] { return GetModuleHandleA(kModule) == nullptr; }))
            << "round " << round << ": the module stayed loaded";
    }
}

// Only a name goes to the resolver: a dotted address connects at once, and a text of digits
// and dots that is no address fails at once, as the resolver would without a query.
// A window timer's period cannot be read back: the longest interval is accepted, and it does
// not tick early, as it would if the value were cut or wrapped on its way to the window.
TEST(SimpleTCPClient, LongestReconnectIntervalIsAcceptedAsATimerPeriod) {
    TcpTestServer refusing(TcpTestServer::Mode::Refusing);
    auto client = clientFor(refusing.port());
    client->SetAutoReconnectInterval(2147480000);
    TcpEventRecorder recorder(*client);
    client->SetConnected(true);
    ASSERT_TRUE(spinUntil([&] { return recorder.events().size() >= 2; }));
    EXPECT_TRUE(client->TimerEnabled());
    spinFor(std::chrono::milliseconds(200));
    EXPECT_EQ(recorder.events().size(), 2u) << recorder.joined();
}

// The periods themselves are the shared rule's (SimpleTCPTimerPeriod); here the window runs
// them: 0 ticks at the shortest period, a negative interval never within the test.
TEST(SimpleTCPClient, ReconnectIntervalsTheTimerCannotRunAreBounded) {
    for (const int32_t interval : {0, -1}) {
        TSimpleTCPClient client;
        client.SetHost(kUnresolvableHost);
        int errors = 0;
        client.OnError = [&](TComponent*, int, int, const std::string&) { ++errors; };
        client.SetAutoReconnectInterval(interval);
        client.SetConnected(true);
        EXPECT_EQ(client.AutoReconnectInterval(), interval);
        EXPECT_TRUE(client.TimerEnabled());
        spinFor(std::chrono::milliseconds(200));
        if (interval == 0) {
            EXPECT_GE(errors, 3) << "the retry timer did not tick at its shortest period";
        } else {
            EXPECT_EQ(errors, 1) << "a negative interval ticked";
        }
    }
}

// The window refuses a timer once it is gone, the way it refuses one when the desktop's timers
// run out.
class ClientThatLosesItsWindow : public TSimpleTCPClient {
public:
    void LoseWindow() { DestroyWindow(WindowHandle()); }
};

TEST(SimpleTCPClient, RefusedTimerRaisesNotEnoughTimers) {
    ClientThatLosesItsWindow client;
    client.SetHost(kUnresolvableHost);
    client.OnError = [](TComponent*, int, int, const std::string&) {};
    client.LoseWindow();
    try {
        client.SetConnected(true);
        ADD_FAILURE() << "the refused timer went unnoticed";
    } catch (const EOutOfResources& error) {
        EXPECT_STREQ(error.what(), "Not enough timers available");
    }
}

}  // namespace
