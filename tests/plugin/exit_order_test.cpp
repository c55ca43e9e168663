#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <ostream>
#include <string>

namespace {

struct Outcome {
    int status = -1;
    std::string output;
};

// Runs the exit-order host in `mode` and collects its standard output and wait status.
Outcome RunHost(const std::string& mode) {
    Outcome outcome;
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        return outcome;
    }
    const pid_t child = fork();
    if (child == 0) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        dup2(pipeFds[1], STDOUT_FILENO);
        close(pipeFds[0]);
        close(pipeFds[1]);
        execl(TOLVANE_EXIT_HOST_PATH, TOLVANE_EXIT_HOST_PATH, mode.c_str(), TOLVANE_PLUGIN_PATH,
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    std::array<char, 4096> buffer{};
    ssize_t got = 0;
    while ((got = read(pipeFds[0], buffer.data(), buffer.size())) > 0) {
        outcome.output.append(buffer.data(), static_cast<std::size_t>(got));
    }
    close(pipeFds[0]);
    waitpid(child, &outcome.status, 0);
    return outcome;
}

struct ExitCase {
    const char* name;
    const char* mode;
    const char* alsoSaid;  // a line the host must have printed on the way, or null
    friend void PrintTo(const ExitCase& c, std::ostream* out) { *out << c.mode; }
};

class PluginExitOrder : public ::testing::TestWithParam<ExitCase> {};

TEST_P(PluginExitOrder, HostEndsCleanlyWithItsOutput) {
    const Outcome outcome = RunHost(GetParam().mode);
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
