#include "kovadex.h"

#include <gmock/gmock.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <thread>

namespace {

TEST(Kovadex, KeepsIntegersAndTextsPerWorkspaceSectionAndKey) {
    SaveInteger(1, "tolvane", "Top", 185);
    SaveInteger(2, "tolvane", "Top", 10);
    SaveInteger(1, "other", "Top", 20);
    SavePChar(1, "tolvane", "Host", "encoder.local");
    EXPECT_EQ(LoadInteger(1, "tolvane", "Top", -1), 185);
    EXPECT_EQ(LoadInteger(2, "tolvane", "Top", -1), 10);
    EXPECT_EQ(LoadInteger(1, "other", "Top", -1), 20);
    EXPECT_STREQ(LoadPChar(1, "tolvane", "Host", "127.0.0.1"), "encoder.local");
    SaveInteger(1, "tolvane", "Top", 7);
    EXPECT_EQ(LoadInteger(1, "tolvane", "Top", -1), 7);
}

TEST(Kovadex, AnswersTheDefaultForAbsentKeysAndForTheOtherKind) {
    EXPECT_EQ(LoadInteger(9, "tolvane", "Missing", 63), 63);
    EXPECT_STREQ(LoadPChar(9, "tolvane", "Missing", "23"), "23");
    SavePChar(9, "tolvane", "Port", "23");
    EXPECT_EQ(LoadInteger(9, "tolvane", "Port", -5), -5);
    SaveInteger(9, "tolvane", "Visible", 1);
    EXPECT_STREQ(LoadPChar(9, "tolvane", "Visible", "none"), "none");
}

TEST(Kovadex, NullTextsAreEmptyTexts) {
    SavePChar(3, nullptr, nullptr, nullptr);
    EXPECT_STREQ(LoadPChar(3, "", "", "default"), "");
    EXPECT_STREQ(LoadPChar(3, "tolvane", "Nothing", nullptr), "");
    EXPECT_EQ(LoadInteger(3, nullptr, "x", 4), 4);
}

TEST(Kovadex, ReturnedTextIsACopyThatLastsUntilTheNextCall) {
    const std::string longText(10000, 'm');
    SavePChar(4, "tolvane", "Mask12", longText.c_str());
    const char* loaded = LoadPChar(4, "tolvane", "Mask12", "");
    EXPECT_EQ(std::string(loaded), longText);
    std::string caller = "caller's buffer";
    SavePChar(4, "tolvane", "Key", caller.c_str());
    caller.assign("changed");
    EXPECT_STREQ(LoadPChar(4, "tolvane", "Key", ""), "caller's buffer");
}

}  // namespace

namespace {

// Workspace files: every case writes into a folder of its own.
class WorkspaceFile : public ::testing::Test {
protected:
    std::string PathOf(const char* name) const { return m_dir.filePath(name).toStdString(); }
    static std::string ReadAll(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void WriteAll(const std::string& path, const std::string& contents) {
        std::ofstream(path, std::ios::binary) << contents;
    }

    QTemporaryDir m_dir;
};

struct HostileText {
    const char* name;
    std::string text;
};

class WorkspaceFileText : public WorkspaceFile,
                          public ::testing::WithParamInterface<HostileText> {};

TEST_P(WorkspaceFileText, ComesBackByteForByteAsValueSectionAndKey) {
    const std::string& text = GetParam().text;
    const std::string path = PathOf("texts.ini");
    SavePChar(20, "tolvane", "Value", text.c_str());
    SaveInteger(20, text.c_str(), text.c_str(), 77);
    ASSERT_EQ(SaveWorkspaceFile(20, path.c_str()), 1) << WorkspaceFileError();
    SavePChar(20, "tolvane", "Value", "changed");
    SaveInteger(20, text.c_str(), text.c_str(), 0);
    ASSERT_EQ(LoadWorkspaceFile(21, path.c_str()), 1) << WorkspaceFileError();
    ASSERT_EQ(LoadWorkspaceFile(20, path.c_str()), 1) << WorkspaceFileError();
    EXPECT_EQ(std::string(LoadPChar(20, "tolvane", "Value", "absent")), text);
    EXPECT_EQ(LoadInteger(21, text.c_str(), text.c_str(), -1), 77);
}

std::string BytesAbove127() {
    std::string bytes;
    for (int byte = 128; byte < 256; ++byte) {
        bytes.push_back(static_cast<char>(byte));
    }
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Hostile, WorkspaceFileText,
    ::testing::Values(HostileText{"Empty", ""}, HostileText{"Equals", "a=b=c"},
                      HostileText{"SemicolonAndHash", "; not a comment # nor this"},
                      HostileText{"Quotes", "\"quoted\" and 'single'"},
                      HostileText{"Backslashes", "C:\\dir\\file \\\\ \\n \\x41 \\"},
                      HostileText{"Slashes", "a/b//c/"},
                      HostileText{"Blanks", "  leading and trailing \t "},
                      HostileText{"Controls", "line\nbreak\rreturn\x01\x1f"},
                      HostileText{"Above127", BytesAbove127()},
                      HostileText{"SettingsSyntax", "@ByteArray(x) @Variant(y) [General] %00 a,b"},
                      HostileText{"Long", std::string(100000, 'm')}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(WorkspaceFile, KeepsKeysCaseSensitiveAndTheKindOfEachValue) {
    const std::string path = PathOf("case.ini");
    SaveInteger(22, "tolvane", "Top", 1);
    SaveInteger(22, "tolvane", "top", 2);
    SaveInteger(22, "Tolvane", "Top", 3);
    SavePChar(22, "tolvane", "Port", "23");
    SaveInteger(22, "General", "Top", INT32_MIN);
    ASSERT_EQ(SaveWorkspaceFile(22, path.c_str()), 1) << WorkspaceFileError();
    ASSERT_EQ(LoadWorkspaceFile(23, path.c_str()), 1) << WorkspaceFileError();
    EXPECT_EQ(LoadInteger(23, "tolvane", "Top", 0), 1);
    EXPECT_EQ(LoadInteger(23, "tolvane", "top", 0), 2);
    EXPECT_EQ(LoadInteger(23, "Tolvane", "Top", 0), 3);
    EXPECT_EQ(LoadInteger(23, "General", "Top", 0), INT32_MIN);
    EXPECT_EQ(LoadInteger(23, "tolvane", "Port", -1), -1);
    EXPECT_STREQ(LoadPChar(23, "tolvane", "Port", ""), "23");
}

struct BadFile {
    const char* name;
    std::string contents;
    const char* message;
};

class WorkspaceFileBad : public WorkspaceFile, public ::testing::WithParamInterface<BadFile> {};

TEST_P(WorkspaceFileBad, IsReportedAndLeavesTheWorkspaceAsItWas) {
    const std::string path = PathOf("bad.ini");
    if (GetParam().contents != "(absent)") {
        WriteAll(path, GetParam().contents);
    }
    SaveInteger(24, "tolvane", "Top", 5);
    EXPECT_EQ(LoadWorkspaceFile(24, path.c_str()), 0);
    EXPECT_THAT(WorkspaceFileError(), ::testing::HasSubstr(GetParam().message));
    EXPECT_EQ(LoadInteger(24, "tolvane", "Top", 0), 5);
}

INSTANTIATE_TEST_SUITE_P(
    Files, WorkspaceFileBad,
    ::testing::Values(BadFile{"Absent", "(absent)", "cannot read"},
                      BadFile{"NotAWorkspace", "[tolvane]\nTop=1\n", "is not a workspace file"},
                      BadFile{"Binary",
                              std::string("\x7f"
                                          "ELF\0\0\x01\xff",
                                          8),
                              "is not a valid INI file"},
                      BadFile{"ValueOfAnotherKind",
                              "[General]\nformat=kovadex-workspace-1\n[t]\nTop=12x\n",
                              "is neither a number nor a text"},
                      BadFile{"ListValue", "[General]\nformat=kovadex-workspace-1\n[t]\nTop=1, 2\n",
                              "is neither a number nor a text"}),
    [](const auto& p) { return std::string(p.param.name); });

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
    RecordProperty("unfinished files left",
                   static_cast<int>(QDir(m_dir.path()).entryList(QDir::Files).size()) - 1);
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
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{"full.ini"});
}

}  // namespace
