#include "kovadex.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QTemporaryDir>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "file_calls.h"
#include "workspace_file.h"

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

TEST(Kovadex, AnswersTheDefaultForAbsentKeysAndForTextsThatAreNoNumber) {
    EXPECT_EQ(LoadInteger(9, "tolvane", "Missing", 63), 63);
    EXPECT_STREQ(LoadPChar(9, "tolvane", "Missing", "23"), "23");
    SavePChar(9, "tolvane", "Host", "encoder.lan");
    EXPECT_EQ(LoadInteger(9, "tolvane", "Host", -5), -5);
}

// A number read as a text is its decimal text; a text that is a plain decimal integer in 32
// bits read as a number is that number.
TEST(Kovadex, ReadsEachKindAsTheOther) {
    SavePChar(9, "tolvane", "Port", "23");
    EXPECT_EQ(LoadInteger(9, "tolvane", "Port", -5), 23);
    SaveInteger(9, "tolvane", "Visible", -17);
    EXPECT_STREQ(LoadPChar(9, "tolvane", "Visible", "none"), "-17");
    const std::map<std::string, int32_t> texts = {{"010", 10},
                                                  {"-2147483648", INT32_MIN},
                                                  {"2147483647", INT32_MAX},
                                                  {"2147483648", -1},
                                                  {"0x1F", -1},
                                                  {"+5", -1},
                                                  {" 5", -1},
                                                  {"5 ", -1},
                                                  {"", -1},
                                                  {"-", -1},
                                                  {"--5", -1},
                                                  {"-2147483649", -1},
                                                  {"99999999999", -1},
                                                  {"1e3", -1},
                                                  {"00000000000000000042", 42}};
    for (const auto& [text, number] : texts) {
        SavePChar(9, "tolvane", "Number", text.c_str());
        EXPECT_EQ(LoadInteger(9, "tolvane", "Number", -1), number) << '"' << text << '"';
    }
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
                      HostileText{"Long", std::string(100000, 'm')},
                      HostileText{"GeneralInSmallLetters", "general"},
                      HostileText{"GeneralInCapitals", "GENERAL"}),
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
    EXPECT_EQ(LoadInteger(23, "tolvane", "Port", -1), 23);
    EXPECT_STREQ(LoadPChar(23, "tolvane", "Port", ""), "23");
    EXPECT_THAT(ReadAll(path), ::testing::HasSubstr("Port=@ByteArray(23)"));
    EXPECT_THAT(ReadAll(path), ::testing::HasSubstr("Top=-2147483648"));
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
    ::testing::Values(
        BadFile{"Absent", "(absent)", "cannot read"},
        BadFile{"HexNumber", "[General]\nformat=kovadex-workspace-1\n[t]\nTop=0x1F\n",
                "the value of Top in [t] is neither a number nor a text"},
        BadFile{"PlusSign", "[General]\nformat=kovadex-workspace-1\n[t]\nTop=+5\n",
                "the value of Top in [t] is neither a number nor a text"},
        BadFile{"BeyondThirtyTwoBits",
                "[General]\nformat=kovadex-workspace-1\n[t]\nTop=2147483648\n",
                "the value of Top in [t] is neither a number nor a text"},
        BadFile{"OtherType", "[General]\nformat=kovadex-workspace-1\n[t]\nTop=@Variant(x)\n",
                "the value of Top in [t] is neither a number nor a text"},
        BadFile{"UnfinishedByteArray",
                "[General]\nformat=kovadex-workspace-1\n[t]\nHost=@ByteArray(x\n",
                "the value of Host in [t] is neither a number nor a text"},
        BadFile{"OpenQuote", "[General]\nformat=kovadex-workspace-1\n[t]\nHost=\"a b\n",
                "the value of Host in [t] is neither a number nor a text"},
        BadFile{"UnknownEscape", "[General]\nformat=kovadex-workspace-1\n[t]\nHost=C:\\dir\n",
                "the value of Host in [t] is neither a number nor a text"},
        BadFile{"NotAWorkspace", "[tolvane]\nTop=1\n", "is not a workspace file"},
        BadFile{"Binary",
                std::string("\x7f"
                            "ELF\0\0\x01\xff",
                            8),
                "is not a valid INI file"},
        BadFile{"ValueOfAnotherKind", "[General]\nformat=kovadex-workspace-1\n[t]\nTop=12x\n",
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

struct FileValue {
    const char* name;
    std::string line;  // one line of section [t]
    const char* key;
    std::string text;  // what LoadPChar gives
    int32_t number;    // what LoadInteger gives with the default -1
};

class WorkspaceFileValue : public WorkspaceFile, public ::testing::WithParamInterface<FileValue> {};

// A hand edit of the other kind keeps its value: a number is read as its decimal text, a text
// that is a plain decimal integer as that number.
TEST_P(WorkspaceFileValue, ReadsAsTextAndAsNumber) {
    const std::string path = PathOf("value.ini");
    WriteAll(path, "[General]\nformat=kovadex-workspace-1\n[t]\n" + GetParam().line + "\n");
    ASSERT_EQ(LoadWorkspaceFile(28, path.c_str()), 1) << WorkspaceFileError();
    EXPECT_EQ(std::string(LoadPChar(28, "t", GetParam().key, "absent")), GetParam().text);
    EXPECT_EQ(LoadInteger(28, "t", GetParam().key, -1), GetParam().number);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, WorkspaceFileValue,
    ::testing::Values(FileValue{"NumberForAText", "Port=7001", "Port", "7001", 7001},
                      FileValue{"TextForANumber", "Top=@ByteArray(300)", "Top", "300", 300},
                      FileValue{"LeadingZeros", "Top=010", "Top", "10", 10},
                      FileValue{"MinusZero", "Top=-0", "Top", "0", 0},
                      FileValue{"Smallest", "Top=-2147483648", "Top", "-2147483648", INT32_MIN},
                      FileValue{"BlanksAndComment", "  Top =  5  ; moved by hand", "Top", "5", 5},
                      FileValue{"BareText", "Host=encoder.lan", "Host", "encoder.lan", -1},
                      FileValue{"BareUtf8Text", "Host=\xc3\xa9t\xc3\xa9", "Host",
                                "\xc3\xa9t\xc3\xa9", -1},
                      FileValue{"QuotedText", "Host=\"a,b;c=d\"", "Host", "a,b;c=d", -1},
                      FileValue{"QuotedBlank", "Host=\" 5\"", "Host", " 5", -1},
                      FileValue{"EscapedAt", "Host=@@x", "Host", "@x", -1},
                      FileValue{"Empty", "Host=", "Host", "", -1},
                      FileValue{"EscapedBytes", "Host=@ByteArray(\\xe9t\\xe9\\t\\101)", "Host",
                                "\xe9t\xe9\tA", -1}),
    [](const auto& p) { return std::string(p.param.name); });

// Links: a relative link is read relative to its own folder; the save replaces the target.
TEST_F(WorkspaceFile, SavesThroughSymbolicLinksToTheirTarget) {
    ASSERT_TRUE(QDir(m_dir.path()).mkpath("real"));
    ASSERT_TRUE(QDir(m_dir.path()).mkpath("links"));
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
    EXPECT_EQ(QDir(m_dir.filePath("real")).entryList(QDir::Files), QStringList{"station.ini"});
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

TEST_F(WorkspaceFile, PassesFileNamesThatAreNotUtf8ThroughUnchanged) {
    const std::string existing = PathOf("real") + "\xe9.ini";
    WriteAll(existing, "[General]\nformat=kovadex-workspace-1\n[t]\nTop=7\n");
    ASSERT_EQ(LoadWorkspaceFile(33, existing.c_str()), 1) << WorkspaceFileError();
    EXPECT_EQ(LoadInteger(33, "t", "Top", -1), 7);
    const std::string first = PathOf("x") + "\xe9.ini";
    const std::string second = PathOf("x") + "\xe8.ini";
    SaveInteger(34, "t", "Top", 1);
    ASSERT_EQ(SaveWorkspaceFile(34, first.c_str()), 1) << WorkspaceFileError();
    SaveInteger(34, "t", "Top", 2);
    ASSERT_EQ(SaveWorkspaceFile(34, second.c_str()), 1) << WorkspaceFileError();
    EXPECT_THAT(ReadAll(first), ::testing::HasSubstr("Top=1"));
    EXPECT_THAT(ReadAll(second), ::testing::HasSubstr("Top=2"));
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
    ASSERT_TRUE(QDir(m_dir.path()).mkpath("folder.ini"));
    EXPECT_EQ(SaveWorkspaceFile(36, PathOf("folder.ini").c_str()), 0);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::System), QStringList{"fifo.ini"});
}

// A file of exactly 1 MiB loads; one byte more is refused before it is read.
TEST_F(WorkspaceFile, RefusesFilesAboveOneMebibyte) {
    const std::string head = "[General]\nformat=kovadex-workspace-1\n[t]\nHost=@ByteArray(";
    const std::size_t bound = 1024 * 1024;
    const std::string path = PathOf("big.ini");
    WriteAll(path, head + std::string(bound - head.size() - 2, 'm') + ")\n");
    ASSERT_EQ(LoadWorkspaceFile(37, path.c_str()), 1) << WorkspaceFileError();
    EXPECT_EQ(std::strlen(LoadPChar(37, "t", "Host", "")), bound - head.size() - 2);
    WriteAll(path, head + std::string(bound - head.size() - 1, 'm') + ")\n");
    EXPECT_EQ(LoadWorkspaceFile(37, path.c_str()), 0);
    EXPECT_THAT(WorkspaceFileError(), ::testing::HasSubstr("larger than 1 MiB"));
    SavePChar(37, "t", "Host", std::string(bound, 'm').c_str());
    EXPECT_EQ(SaveWorkspaceFile(37, PathOf("too-big.ini").c_str()), 0);
    EXPECT_THAT(WorkspaceFileError(), ::testing::HasSubstr("larger than 1 MiB"));
}

// Contents that change while the size and the modification time stay the same.
TEST_F(WorkspaceFile, EveryLoadReadsTheFile) {
    const std::string path = PathOf("same.ini");
    WriteAll(path, "[General]\nformat=kovadex-workspace-1\n[t]\nTop=1\n");
    struct stat before {};
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    ASSERT_EQ(LoadWorkspaceFile(38, path.c_str()), 1) << WorkspaceFileError();
    WriteAll(path, "[General]\nformat=kovadex-workspace-1\n[t]\nTop=2\n");
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    ASSERT_EQ(LoadWorkspaceFile(38, path.c_str()), 1) << WorkspaceFileError();
    EXPECT_EQ(LoadInteger(38, "t", "Top", -1), 2);
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
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files).size(), 4);
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
        ASSERT_EQ(chown(m_dir.path().toLocal8Bit().constData(), nobody, nobody), 0);
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

// The real file calls, observed: each call that reaches the disk is recorded with the name it
// concerns, one call can be made to fail, and what the saved file reads back can be changed.
class ObservedFileCalls : public kovadex::PosixFileCalls {
public:
    using Handle = kovadex::FileHandle;

    int OpenToRead(const std::string& path, Handle& handle) override {
        const int error = PosixFileCalls::OpenToRead(path, handle);
        m_names[handle] = path;
        return error;
    }
    int Status(Handle handle, kovadex::FileStatus& status) override {
        const int error = PosixFileCalls::Status(handle, status);
        status.size = m_reportedSize.value_or(status.size);
        return error;
    }
    int Read(Handle handle, char* buffer, std::size_t size, std::size_t& got) override {
        const int error = PosixFileCalls::Read(handle, buffer, size, got);
        if (m_changeReadBack && got > 0 && m_names[handle] == m_scratch) {
            buffer[got / 2] ^= 1;
        }
        return error;
    }
    int CreateUnique(const std::string& prefix, Handle& handle, std::string& created) override {
        if (m_failing == "create") {
            return ENOSPC;
        }
        const int error = PosixFileCalls::CreateUnique(prefix, handle, created);
        m_scratch = created;
        m_names[handle] = created;
        return error;
    }
    int Write(Handle handle, const char* data, std::size_t size) override {
        m_calls.push_back("write " + m_names[handle]);
        return m_failing == "write" ? ENOSPC : PosixFileCalls::Write(handle, data, size);
    }
    int Sync(Handle handle) override {
        m_calls.push_back("sync " + m_names[handle]);
        return m_failing == "sync" ? ENOSPC : PosixFileCalls::Sync(handle);
    }
    int Rename(const std::string& from, const std::string& to) override {
        m_calls.push_back("rename " + from + " " + to);
        return m_failing == "rename" ? ENOSPC : PosixFileCalls::Rename(from, to);
    }
    int SyncFolder(const std::string& folder) override {
        m_calls.push_back("sync folder " + folder);
        return m_failing == "sync folder" ? ENOSPC : PosixFileCalls::SyncFolder(folder);
    }

    std::vector<std::string> m_calls;
    std::string m_scratch;
    std::string m_failing;  // the call that fails with ENOSPC
    bool m_changeReadBack = false;
    std::optional<uint64_t> m_reportedSize;

private:
    std::map<Handle, std::string> m_names;
};

class WorkspaceFileCalls : public WorkspaceFile {
protected:
    kovadex::Workspace Holding(const std::string& host) {
        return {{{"tolvane", "Host"}, host}, {{"tolvane", "Top"}, 185}};
    }

    ObservedFileCalls m_calls;
};

// The new file reaches the disk before it takes the old one's name, and the rename reaches
// it with the folder.
TEST_F(WorkspaceFileCalls, ASaveFlushesTheNewFileThenRenamesThenFlushesTheFolder) {
    const std::string path = PathOf("flushed.ini");
    ASSERT_TRUE(kovadex::WriteWorkspaceFile(m_calls, path, Holding("new")).ok);
    const std::vector<std::string> expected = {
        "write " + m_calls.m_scratch, "sync " + m_calls.m_scratch,
        "rename " + m_calls.m_scratch + " " + path, "sync folder " + m_dir.path().toStdString()};
    EXPECT_EQ(m_calls.m_calls, expected);
    EXPECT_EQ(m_calls.m_scratch.rfind(path + ".", 0), 0u) << m_calls.m_scratch;
}

TEST_F(WorkspaceFileCalls, ASaveThatReadsBackOtherwiseKeepsTheOldFile) {
    const std::string path = PathOf("kept.ini");
    ASSERT_TRUE(kovadex::WriteWorkspaceFile(m_calls, path, Holding("old")).ok);
    const std::string before = ReadAll(path);
    m_calls.m_changeReadBack = true;
    const kovadex::FileResult result = kovadex::WriteWorkspaceFile(m_calls, path, Holding("new"));
    EXPECT_FALSE(result.ok);
    EXPECT_THAT(result.error, ::testing::HasSubstr("reads back other than it was written"));
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{"kept.ini"});
}

struct FailingCall {
    const char* name;
    const char* call;
    const char* message;
    bool kept;  // whether the old file is still in place
};

class WorkspaceFileFailingCall : public WorkspaceFileCalls,
                                 public ::testing::WithParamInterface<FailingCall> {};

// Each failure names the call that failed with the system's text, and says whether the old
// file is kept.
TEST_P(WorkspaceFileFailingCall, IsNamedWithTheSystemsText) {
    const std::string path = PathOf("failing.ini");
    ASSERT_TRUE(kovadex::WriteWorkspaceFile(m_calls, path, Holding("old")).ok);
    const std::string before = ReadAll(path);
    m_calls.m_failing = GetParam().call;
    const kovadex::FileResult result = kovadex::WriteWorkspaceFile(m_calls, path, Holding("new"));
    EXPECT_FALSE(result.ok);
    EXPECT_THAT(result.error, ::testing::HasSubstr(GetParam().message));
    EXPECT_THAT(result.error, ::testing::HasSubstr(std::strerror(ENOSPC)));
    EXPECT_EQ(result.error.find("is kept as it was") != std::string::npos, GetParam().kept);
    EXPECT_EQ(ReadAll(path) == before, GetParam().kept);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{"failing.ini"});
}

INSTANTIATE_TEST_SUITE_P(
    Calls, WorkspaceFileFailingCall,
    ::testing::Values(FailingCall{"Create", "create", "cannot create a file beside", true},
                      FailingCall{"Write", "write", "cannot write", true},
                      FailingCall{"Sync", "sync", "cannot flush", true},
                      FailingCall{"Rename", "rename", "cannot rename", true},
                      FailingCall{"SyncFolder", "sync folder",
                                  "is replaced, but its folder cannot be flushed", false}),
    [](const auto& p) { return std::string(p.param.name); });

// A file that the system called small but that reads on past the bound.
TEST_F(WorkspaceFileCalls, StopsReadingAFileThatGrowsPastTheBound) {
    const std::string path = PathOf("growing.ini");
    WriteAll(path, "[General]\nformat=kovadex-workspace-1\n[t]\nk=@ByteArray(" +
                       std::string(2 * 1024 * 1024, 'g') + ")\n");
    m_calls.m_reportedSize = 100;
    kovadex::Workspace read;
    const kovadex::FileResult result = kovadex::ReadWorkspaceFile(m_calls, path, read);
    EXPECT_FALSE(result.ok);
    EXPECT_THAT(result.error, ::testing::HasSubstr("larger than 1 MiB (1048577 bytes)"));
}

}  // namespace
