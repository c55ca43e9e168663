#include <gtest/gtest.h>

#include <sys/wait.h>

#include <ostream>
#include <string>

#include "support/child_process.h"

namespace {

struct ExitCase {
    const char* name;
    const char* mode;
    const char* alsoSaid;  // a line the host must have printed on the way, or null
    friend void PrintTo(const ExitCase& c, std::ostream* out) { *out << c.mode; }
};

class PluginExitOrder : public ::testing::TestWithParam<ExitCase> {};

TEST_P(PluginExitOrder, HostEndsCleanlyWithItsOutput) {
    const test_support::ChildOutcome outcome = test_support::RunChild(
        {TOLVANE_EXIT_HOST_PATH, GetParam().mode, TOLVANE_PLUGIN_PATH}, false);
    ASSERT_TRUE(WIFEXITED(outcome.status))
        << "ended by signal " << WTERMSIG(outcome.status) << "; output:\n"
        << outcome.output;
    EXPECT_EQ(WEXITSTATUS(outcome.status), 0) << outcome.output;
    EXPECT_NE(outcome.output.find("host done\n"), std::string::npos) << outcome.output;
    if (GetParam().alsoSaid != nullptr) {
        EXPECT_NE(outcome.output.find(GetParam().alsoSaid), std::string::npos) << outcome.output;
    }
}

std::string CaseName(const ::testing::TestParamInfo<ExitCase>& testCase) {
    return testCase.param.name;
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, PluginExitOrder,
    ::testing::Values(
        ExitCase{"QuitWithHostWindows", "quit-with-host-windows", "event loop ended"},
        ExitCase{"UserClosesTheHostWindow", "user-closes-the-host-window", "event loop ended"},
        ExitCase{"UserClosesThePluginWindowThenHostQuits",
                 "user-closes-the-plugin-window-then-host-quits",
                 "plug-in window hidden\nhost quits"},
        ExitCase{"DeleteTheApplicationThenUnload", "delete-the-application-then-unload", nullptr},
        ExitCase{"UnloadThenQuit", "unload-then-quit", "event loop ended"},
        ExitCase{"QuitThenDeleteTheApplicationThenUnload",
                 "quit-then-delete-the-application-then-unload", "event loop ended"},
        ExitCase{"ExitWithTheWindowShown", "exit-with-the-window-shown", nullptr},
        ExitCase{"ExitWithTheWindowHidden", "exit-with-the-window-hidden", nullptr},
        ExitCase{"ReturnWithTheWindowShown", "return-with-the-window-shown", nullptr}),
    CaseName);

}  // namespace
