#include <fcntl.h>
#include <gmock/gmock.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "kovadex.h"
#include "support/workspace_file_fixture.h"

// Workspace files where POSIX has what Windows lacks or does otherwise: processes killed or
// limited by fork, symbolic and hard links, modes and owners, FIFOs, names as long as the
// file system allows.
namespace {

using kovadex_test::WorkspaceFile;

// A child saves two different workspaces in turn until it is killed at a random moment; the
// file must then hold one of them whole.
TEST_F(WorkspaceFile, SurvivesAProcessKilledWhileSaving) {
    const std::string path = PathOf("killed.ini");
    SavePChar(25, "tolvane", "Which", "first");
    ASSERT_EQ(SaveWorkspaceFile(25, path.c_str()), 1) << WorkspaceFileError();
    std::mt19937 random(12345);
    std::map<std::string, int> outcomes;
    const int rounds = std::getenv("KOVADEX_KILL_ROUNDS") != nullptr
                           ? std::atoi(std::getenv("KOVADEX_KILL_ROUNDS"))
                           : 20;
    for (int round = 0; round < rounds; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int n = 0;; ++n) {
                SavePChar(25, "tolvane", "Which", n % 2 == 0 ? "second" : "third, longer");
                SavePChar(25, "tolvane", "Bulk", std::string(2000 + n % 2 * 3000, 'b').c_str());
                SaveWorkspaceFile(25, path.c_str());
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 50000));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        ASSERT_EQ(LoadWorkspaceFile(26, path.c_str()), 1) << WorkspaceFileError();
        const std::string which = LoadPChar(26, "tolvane", "Which", "");
        const std::size_t bulk = std::strlen(LoadPChar(26, "tolvane", "Bulk", ""));
        ++outcomes[which];
        EXPECT_TRUE((which == "first" && bulk == 0) || (which == "second" && bulk == 2000) ||
                    (which == "third, longer" && bulk == 5000))
            << which << " " << bulk;
    }
    for (const auto& [which, count] : outcomes) {
        RecordProperty(which, count);
    }
    RecordProperty("unfinished files left", static_cast<int>(m_dir.FileNames().size()) - 1);
}

// A file size limit makes every write past it fail as a full disk does.
TEST_F(WorkspaceFile, AFullDiskLeavesThePreviousFileWhole) {
    const std::string path = PathOf("full.ini");
    SavePChar(27, "tolvane", "Host", "old");
    ASSERT_EQ(SaveWorkspaceFile(27, path.c_str()), 1) << WorkspaceFileError();
    const std::string before = ReadAll(path);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, 1000};
        setrlimit(RLIMIT_FSIZE, &limit);
        SavePChar(27, "tolvane", "Host", std::string(5000, 'n').c_str());
        const bool failed = SaveWorkspaceFile(27, path.c_str()) == 0;
        std::fprintf(stderr, "%s\n", WorkspaceFileError());
        _exit(failed ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the save did not fail";
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(m_dir.FileNames(), std::vector<std::string>{"full.ini"});
}

// Links: a relative link is read relative to its own folder; the save replaces the target.
TEST_F(WorkspaceFile, SavesThroughSymbolicLinksToTheirTarget) {
    ASSERT_TRUE(m_dir.MakeFolder("real"));
    ASSERT_TRUE(m_dir.MakeFolder("links"));
    const std::string target = PathOf("real/station.ini");
    const std::string first = PathOf("links/first.ini");
    const std::string second = PathOf("second.ini");
    SavePChar(29, "tolvane", "Host", "old");
    ASSERT_EQ(SaveWorkspaceFile(29, target.c_str()), 1) << WorkspaceFileError();
    ASSERT_EQ(symlink("../real/station.ini", first.c_str()), 0);
    ASSERT_EQ(symlink("links/first.ini", second.c_str()), 0);
    SavePChar(29, "tolvane", "Host", "new");
    ASSERT_EQ(SaveWorkspaceFile(29, second.c_str()), 1) << WorkspaceFileError();
    struct stat status {};
    ASSERT_EQ(lstat(second.c_str(), &status), 0);
    EXPECT_TRUE(S_ISLNK(status.st_mode));
    ASSERT_EQ(lstat(first.c_str(), &status), 0);
    EXPECT_TRUE(S_ISLNK(status.st_mode));
    EXPECT_THAT(ReadAll(target), ::testing::HasSubstr("Host=@ByteArray(new)"));
    EXPECT_EQ(m_dir.FileNames("real"), std::vector<std::string>{"station.ini"});
}

// A link to a drive that is not mounted must not be taken for "no file yet".
TEST_F(WorkspaceFile, RefusesALinkThatLeadsNowhereAndKeepsIt) {
    const std::string link = PathOf("gone.ini");
    ASSERT_EQ(symlink("missing/station.ini", link.c_str()), 0);
    EXPECT_EQ(LoadWorkspaceFile(30, link.c_str()), 0);
    EXPECT_THAT(WorkspaceFileError(), ::testing::HasSubstr("leads nowhere"));
    EXPECT_EQ(SaveWorkspaceFile(30, link.c_str()), 0);
    EXPECT_THAT(WorkspaceFileError(), ::testing::HasSubstr("leads nowhere"));
    struct stat status {};
    ASSERT_EQ(lstat(link.c_str(), &status), 0);
    EXPECT_TRUE(S_ISLNK(status.st_mode));
}

TEST_F(WorkspaceFile, KeepsTheModeOfAReplacedFile) {
    const std::string path = PathOf("mode.ini");
    ASSERT_EQ(SaveWorkspaceFile(31, path.c_str()), 1) << WorkspaceFileError();
    ASSERT_EQ(chmod(path.c_str(), 0641), 0);
    SavePChar(31, "tolvane", "Host", "new");
    ASSERT_EQ(SaveWorkspaceFile(31, path.c_str()), 1) << WorkspaceFileError();
    struct stat status {};
    ASSERT_EQ(stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0641u);
}

TEST_F(WorkspaceFile, KeepsTheOwnerAndGroupOfAReplacedFile) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "giving a file away needs root";
    }
    const std::string path = PathOf("owned.ini");
    ASSERT_EQ(SaveWorkspaceFile(31, path.c_str()), 1) << WorkspaceFileError();
    ASSERT_EQ(chown(path.c_str(), 1234, 5678), 0);
    SavePChar(31, "tolvane", "Host", "new");
    ASSERT_EQ(SaveWorkspaceFile(31, path.c_str()), 1) << WorkspaceFileError();
    struct stat status {};
    ASSERT_EQ(stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_uid, 1234u);
    EXPECT_EQ(status.st_gid, 5678u);
}

TEST_F(WorkspaceFile, ANewFileIsReadableByItsOwnerOnly) {
    const std::string path = PathOf("new.ini");
    ASSERT_EQ(SaveWorkspaceFile(31, path.c_str()), 1) << WorkspaceFileError();
    struct stat status {};
    ASSERT_EQ(stat(path.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0600u);
}

// The save renames a new file over the name: other names of the old file keep its contents.
TEST_F(WorkspaceFile, AHardLinkedNameKeepsTheOldContents) {
    const std::string path = PathOf("named.ini");
    const std::string other = PathOf("other-name.ini");
    SavePChar(32, "tolvane", "Host", "old");
    ASSERT_EQ(SaveWorkspaceFile(32, path.c_str()), 1) << WorkspaceFileError();
    ASSERT_EQ(link(path.c_str(), other.c_str()), 0);
    SavePChar(32, "tolvane", "Host", "new");
    ASSERT_EQ(SaveWorkspaceFile(32, path.c_str()), 1) << WorkspaceFileError();
    EXPECT_THAT(ReadAll(path), ::testing::HasSubstr("Host=@ByteArray(new)"));
    EXPECT_THAT(ReadAll(other), ::testing::HasSubstr("Host=@ByteArray(old)"));
}

// A child process loads a FIFO that no one writes to; it must come back at once.
TEST_F(WorkspaceFile, RefusesAFifoWithoutBlocking) {
    const std::string path = PathOf("fifo.ini");
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        alarm(5);
        const bool refused = LoadWorkspaceFile(35, path.c_str()) == 0 &&
                             std::strstr(WorkspaceFileError(), "not a regular file") != nullptr;
        _exit(refused ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

TEST_F(WorkspaceFile, RefusesToSaveOverWhatIsNotARegularFile) {
    const std::string fifo = PathOf("fifo.ini");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(SaveWorkspaceFile(36, fifo.c_str()), 0);
    EXPECT_THAT(WorkspaceFileError(), ::testing::HasSubstr("not a regular file"));
    struct stat status {};
    ASSERT_EQ(lstat(fifo.c_str(), &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode));
    ASSERT_TRUE(m_dir.MakeFolder("folder.ini"));
    EXPECT_EQ(SaveWorkspaceFile(36, PathOf("folder.ini").c_str()), 0);
    EXPECT_EQ(m_dir.FileNames(), std::vector<std::string>{"fifo.ini"});
}

// The file beside a long name gets a shorter name of its own.
TEST_F(WorkspaceFile, SavesUnderNamesOfAnyLength) {
    for (const std::size_t length : {240, 248, 249, 255}) {
        const std::string path = PathOf(std::string(length - 4, 'n').c_str()) + ".ini";
        SaveInteger(39, "t", "Length", static_cast<int32_t>(length));
        ASSERT_EQ(SaveWorkspaceFile(39, path.c_str()), 1) << length << WorkspaceFileError();
        ASSERT_EQ(LoadWorkspaceFile(40, path.c_str()), 1) << length << WorkspaceFileError();
        EXPECT_EQ(LoadInteger(40, "t", "Length", -1), static_cast<int32_t>(length));
    }
    EXPECT_EQ(m_dir.FileNames().size(), 4u);
}

// A read-only file is kept, with the system's reason. Run as an ordinary user: root may
// write anything.
TEST_F(WorkspaceFile, SaysWhyItCannotReplaceAReadOnlyFile) {
    const std::string path = PathOf("read-only.ini");
    SavePChar(41, "tolvane", "Host", "old");
    ASSERT_EQ(SaveWorkspaceFile(41, path.c_str()), 1) << WorkspaceFileError();
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    const std::string before = ReadAll(path);
    const uid_t nobody = 65534;
    if (geteuid() == 0) {
        ASSERT_EQ(chown(m_dir.Path().c_str(), nobody, nobody), 0);
        ASSERT_EQ(chown(path.c_str(), nobody, nobody), 0);
    }
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 && (setgid(nobody) != 0 || setuid(nobody) != 0)) {
            _exit(3);
        }
        SavePChar(41, "tolvane", "Host", "new");
        const bool failed = SaveWorkspaceFile(41, path.c_str()) == 0;
        const std::string message = WorkspaceFileError();
        (void)!write(pipeFds[1], message.data(), message.size());
        _exit(failed ? 0 : 1);
    }
    close(pipeFds[1]);
    char message[1000] = {};
    (void)!read(pipeFds[0], message, sizeof message - 1);
    close(pipeFds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    EXPECT_THAT(std::string(message), ::testing::HasSubstr("Permission denied"));
    EXPECT_THAT(std::string(message), ::testing::Not(::testing::HasSubstr("disk may be full")));
    EXPECT_EQ(ReadAll(path), before);
}

}  // namespace
