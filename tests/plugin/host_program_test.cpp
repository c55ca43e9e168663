#include <gmock/gmock.h>

#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/child_process.h"

namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// The reference host's own options are its alone: Qt reads "-plugin" as one of its own.
TEST(ReferenceHost, LoadsThePluginNamedByItsOptionAndQtTakesNoneOfIt) {
    const test_support::ChildOutcome outcome = test_support::RunChild(
        {TOLVANE_HOST_PATH, "--plugin", TOLVANE_PLUGIN_PATH, "--quit-after", "0.1"}, true);
    ASSERT_TRUE(WIFEXITED(outcome.status)) << outcome.output;
    EXPECT_EQ(WEXITSTATUS(outcome.status), 0) << outcome.output;
    EXPECT_THAT(outcome.output, HasSubstr("loaded " TOLVANE_PLUGIN_PATH ": Tolvane"));
    EXPECT_THAT(outcome.output, Not(HasSubstr("No such plugin")));
}

// A decoder's stream through standard input: bad lines are reported by number and skipped,
// the good ones reach the plug-in, and the host ends cleanly at the end of the input.
TEST(ReferenceHost, ReportsBadInputLinesByNumberAndReadsOnToTheEnd) {
    const std::string input =
        "6204 0130 966B 594C\\n6204 0130 966B\\n6204 GGGG 0000 0000\\r\\n\\n6204 0130 966B 594C";
    const test_support::ChildOutcome outcome = test_support::RunChild(
        {"/bin/sh", "-c",
         "printf '" + input +
             "' | " TOLVANE_HOST_PATH " --plugin " TOLVANE_PLUGIN_PATH " --groups -"},
        true);
    ASSERT_TRUE(WIFEXITED(outcome.status)) << outcome.output;
    EXPECT_EQ(WEXITSTATUS(outcome.status), 0) << outcome.output;
    EXPECT_THAT(outcome.output, HasSubstr("line 2 skipped: not four hexadecimal blocks"));
    EXPECT_THAT(outcome.output, HasSubstr("line 3 skipped: not four hexadecimal blocks"));
    EXPECT_THAT(outcome.output, HasSubstr("2 lines were no group and were skipped"));
    EXPECT_THAT(outcome.output, HasSubstr("Groups received (total):                 2"));
}

TEST(ReferenceHost, APluginThatIsNotThereIsOneMessageAndAFailure) {
    const test_support::ChildOutcome outcome =
        test_support::RunChild({TOLVANE_HOST_PATH, "--plugin", "/nonexistent/tolvane.so"}, true);
    ASSERT_TRUE(WIFEXITED(outcome.status)) << outcome.output;
    EXPECT_NE(WEXITSTATUS(outcome.status), 0);
    EXPECT_THAT(outcome.output, HasSubstr("tolvane-host: /nonexistent/tolvane.so"));
}

// A time the host's timer cannot hold is refused at once like any other bad option, rather
// than overflowing into a host that never quits. The timeout only guards the test.
TEST(ReferenceHost, RefusesAQuitAfterOutsideItsRange) {
    for (const char* seconds :
         {"2147484", "2147483.648", "1e12", "-1", "-0.5", "nan", "inf", "soon", ""}) {
        const test_support::ChildOutcome outcome = test_support::RunChild(
            {"/usr/bin/timeout", "20", TOLVANE_HOST_PATH, "--plugin", TOLVANE_PLUGIN_PATH,
             "--groups", "/dev/null", "--quit-after", seconds},
            true);
        ASSERT_TRUE(WIFEXITED(outcome.status)) << seconds << outcome.output;
        EXPECT_EQ(WEXITSTATUS(outcome.status), 2) << seconds << outcome.output;
        EXPECT_THAT(outcome.output,
                    HasSubstr("tolvane-host: --quit-after takes seconds from 0 to 2147483"))
            << seconds;
        EXPECT_THAT(outcome.output, Not(HasSubstr("loaded "))) << seconds;
    }
}

// The longest time the host accepts still ends it: here a signal ends it first, sent once the
// host has said on standard output that it runs.
TEST(ReferenceHost, AcceptsTheLongestQuitAfter) {
    for (const char* seconds : {"2147483", "2147483.647", "0"}) {
        const test_support::ChildOutcome outcome = test_support::RunChild(
            {TOLVANE_HOST_PATH, "--plugin", TOLVANE_PLUGIN_PATH, "--quit-after", seconds}, false,
            SIGTERM);
        ASSERT_TRUE(WIFEXITED(outcome.status)) << seconds << outcome.output;
        EXPECT_EQ(WEXITSTATUS(outcome.status), 0) << seconds << outcome.output;
    }
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ReferenceHostWorkspace : public ::testing::Test {
protected:
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::string Run(const std::vector<std::string>& extra, int signalOnOutput = 0) {
        std::vector<std::string> arguments = {TOLVANE_HOST_PATH, "--plugin", TOLVANE_PLUGIN_PATH,
                                              "--workspace-file", m_path};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        const auto outcome = test_support::RunChild(arguments, true, signalOnOutput);
        m_status = outcome.status;
        return outcome.output;
    }

    std::string m_dir = [] {
        char name[] = "/tmp/tolvane-workspace-XXXXXX";
        return std::string(mkdtemp(name));
    }();
    std::string m_path = m_dir + "/host.ini";
    int m_status = -1;
};

// The stored host name survives a run: loaded, restored into the window, saved again.
TEST_F(ReferenceHostWorkspace, RestoresAtStartAndSavesOnQuit) {
    std::ofstream(m_path) << "[General]\nformat=kovadex-workspace-1\n[tolvane]\n"
                             "Host=@ByteArray(encoder.lan)\nVisible=0\n";
    const std::string output = Run({"--quit-after", "0.2", "--command", "RESETDATA"});
    ASSERT_TRUE(WIFEXITED(m_status) && WEXITSTATUS(m_status) == 0) << output;
    EXPECT_THAT(ReadFile(m_path), HasSubstr("Host=@ByteArray(encoder.lan)"));
    EXPECT_THAT(ReadFile(m_path), HasSubstr("Mask34=@ByteArray(" + std::string(16, '?') + ")"));
}

TEST_F(ReferenceHostWorkspace, SavesWhenTerminatedBySignal) {
    for (const int signal : {SIGTERM, SIGINT}) {
        std::remove(m_path.c_str());
        const std::string output = Run({}, signal);
        EXPECT_TRUE(WIFEXITED(m_status) && WEXITSTATUS(m_status) == 0) << output;
        EXPECT_THAT(ReadFile(m_path), HasSubstr("RebroadcastGroup34=0")) << signal;
    }
}

// Without XDG_RUNTIME_DIR the first output is Qt's warning, written while the application is
// being set up, before the plug-in is loaded: a signal then must still end the host cleanly.
TEST_F(ReferenceHostWorkspace, SavesWhenSignalledWhileStarting) {
    for (const int signal : {SIGTERM, SIGINT}) {
        std::remove(m_path.c_str());
        const auto outcome =
            test_support::RunChild({"/usr/bin/env", "-u", "XDG_RUNTIME_DIR", TOLVANE_HOST_PATH,
                                    "--plugin", TOLVANE_PLUGIN_PATH, "--workspace-file", m_path},
                                   true, signal);
        EXPECT_TRUE(WIFEXITED(outcome.status) && WEXITSTATUS(outcome.status) == 0)
            << signal << outcome.output;
        EXPECT_THAT(ReadFile(m_path), HasSubstr("RebroadcastGroup34=0")) << signal;
    }
}

TEST_F(ReferenceHostWorkspace, RefusesAFileItCannotLoadAndLeavesItAlone) {
    std::ofstream(m_path) << "[tolvane]\nTop=1\n";
    const std::string output = Run({"--quit-after", "0.2"});
    EXPECT_TRUE(WIFEXITED(m_status) && WEXITSTATUS(m_status) == 2) << output;
    EXPECT_THAT(output, HasSubstr("is not a workspace file"));
    EXPECT_EQ(ReadFile(m_path), "[tolvane]\nTop=1\n");
}

// A file name that is not UTF-8 reaches the store with its own bytes: the host restores that
// file and saves over it, and writes no second file under a name of its own making.
TEST_F(ReferenceHostWorkspace, KeepsTheBytesOfAFileNameThatIsNotUtf8) {
    m_path = m_dir + "/real\xe9.ini";
    std::ofstream(m_path) << "[General]\nformat=kovadex-workspace-1\n[tolvane]\n"
                             "Host=@ByteArray(encoder.lan)\nVisible=0\n";
    const std::string output = Run({"--quit-after", "0.2"});
    ASSERT_TRUE(WIFEXITED(m_status) && WEXITSTATUS(m_status) == 0) << output;
    EXPECT_THAT(ReadFile(m_path), HasSubstr("Host=@ByteArray(encoder.lan)"));
    EXPECT_THAT(ReadFile(m_path), HasSubstr("RebroadcastGroup34=0"));
    const auto files = std::distance(std::filesystem::directory_iterator(m_dir),
                                     std::filesystem::directory_iterator());
    EXPECT_EQ(files, 1);
}

// A link to a drive that is not mounted is no "file not there yet": the host stops rather
// than start on defaults and put a plain file in the link's place when it ends.
TEST_F(ReferenceHostWorkspace, RefusesALinkThatLeadsNowhereAndLeavesItAlone) {
    ASSERT_EQ(symlink((m_dir + "/unmounted/station.ini").c_str(), m_path.c_str()), 0);
    const std::string output = Run({"--quit-after", "0.2"});
    EXPECT_TRUE(WIFEXITED(m_status) && WEXITSTATUS(m_status) == 2) << output;
    EXPECT_THAT(output, HasSubstr("is a symbolic link that leads nowhere"));
    struct stat status {};
    ASSERT_EQ(lstat(m_path.c_str(), &status), 0);
    EXPECT_TRUE(S_ISLNK(status.st_mode));
}

// A FIFO in the workspace file's place would block a reader for good: the host stops at once.
TEST_F(ReferenceHostWorkspace, RefusesAFifoAtOnce) {
    ASSERT_EQ(mkfifo(m_path.c_str(), 0600), 0);
    const std::string output = Run({"--quit-after", "0.2"});
    EXPECT_TRUE(WIFEXITED(m_status) && WEXITSTATUS(m_status) == 2) << output;
    EXPECT_THAT(output, HasSubstr("is not a regular file"));
}

}  // namespace
