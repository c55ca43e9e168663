#include "kovadex.h"

#include <gmock/gmock.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "core/workspace_samples.h"
#include "file_calls.h"
#include "support/workspace_file_fixture.h"
#include "workspace_file.h"

// The store's calls and its workspace files, as every platform has them.
namespace {

using kovadex_test::kDiskFull;
using kovadex_test::kNoSuchFolder;
using kovadex_test::SystemText;
using kovadex_test::WorkspaceFile;

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
    const auto modified = std::filesystem::last_write_time(path);
    ASSERT_EQ(LoadWorkspaceFile(38, path.c_str()), 1) << WorkspaceFileError();
    WriteAll(path, "[General]\nformat=kovadex-workspace-1\n[t]\nTop=2\n");
    std::filesystem::last_write_time(path, modified);
    ASSERT_EQ(LoadWorkspaceFile(38, path.c_str()), 1) << WorkspaceFileError();
    EXPECT_EQ(LoadInteger(38, "t", "Top", -1), 2);
}

// A save must not make the folder that the name asks for.
TEST_F(WorkspaceFile, RefusesAPathInAFolderThatDoesNotExist) {
    const std::string path = PathOf("missing/station.ini");
    SaveInteger(42, "t", "Top", 1);
    EXPECT_EQ(SaveWorkspaceFile(42, path.c_str()), 0);
    EXPECT_THAT(WorkspaceFileError(), ::testing::HasSubstr("cannot create a file beside " + path +
                                                           ": " + SystemText(kNoSuchFolder)));
    EXPECT_EQ(LoadWorkspaceFile(42, path.c_str()), 0);
    EXPECT_THAT(WorkspaceFileError(), ::testing::HasSubstr("cannot read " + path));
    EXPECT_FALSE(std::filesystem::exists(m_dir.PathOf("missing")));
}

void Hold(int32_t workspace, const kovadex::Workspace& values) {
    for (const auto& [name, value] : values) {
        if (const auto* number = std::get_if<int32_t>(&value)) {
            SaveInteger(workspace, name.first.c_str(), name.second.c_str(), *number);
        } else {
            SavePChar(workspace, name.first.c_str(), name.second.c_str(),
                      std::get<std::string>(value).c_str());
        }
    }
}

// The same bytes on every platform: no line end of the platform's, no code page.
TEST_F(WorkspaceFile, SavesTheSampleAsItsFixedBytes) {
    const std::string path = PathOf("sample.ini");
    Hold(43, kovadex_test::SampleWorkspace());
    ASSERT_EQ(SaveWorkspaceFile(43, path.c_str()), 1) << WorkspaceFileError();
    EXPECT_EQ(ReadAll(path), kovadex_test::kSampleFileText);
}

TEST_F(WorkspaceFile, LoadsTheSampleFromItsFixedBytes) {
    const std::string path = PathOf("sample.ini");
    WriteAll(path, kovadex_test::kSampleFileText);
    ASSERT_EQ(LoadWorkspaceFile(44, path.c_str()), 1) << WorkspaceFileError();
    for (const auto& [name, value] : kovadex_test::SampleWorkspace()) {
        const char* section = name.first.c_str();
        const char* key = name.second.c_str();
        if (const auto* number = std::get_if<int32_t>(&value)) {
            EXPECT_EQ(LoadInteger(44, section, key, 0), *number) << section << "/" << key;
        } else {
            EXPECT_EQ(std::string(LoadPChar(44, section, key, "absent")),
                      std::get<std::string>(value))
                << section << "/" << key;
        }
    }
}

// The real file calls, observed: each call that reaches the disk is recorded with the name it
// concerns, one call can be made to fail, and what the saved file reads back can be changed.
class ObservedFileCalls : public kovadex::SystemFileCalls {
public:
    using Handle = kovadex::FileHandle;

    int OpenToRead(const std::string& path, Handle& handle) override {
        const int error = kovadex::SystemFileCalls::OpenToRead(path, handle);
        m_names[handle] = path;
        return error;
    }
    int Status(Handle handle, kovadex::FileStatus& status) override {
        const int error = kovadex::SystemFileCalls::Status(handle, status);
        status.size = m_reportedSize.value_or(status.size);
        return error;
    }
    int Read(Handle handle, char* buffer, std::size_t size, std::size_t& got) override {
        const int error = kovadex::SystemFileCalls::Read(handle, buffer, size, got);
        if (m_changeReadBack && got > 0 && m_names[handle] == m_scratch) {
            buffer[got / 2] ^= 1;
        }
        return error;
    }
    int CreateUnique(const std::string& prefix, Handle& handle, std::string& created) override {
        if (m_failing == "create") {
            return kDiskFull;
        }
        const int error = kovadex::SystemFileCalls::CreateUnique(prefix, handle, created);
        m_scratch = created;
        m_names[handle] = created;
        return error;
    }
    int Write(Handle handle, const char* data, std::size_t size) override {
        m_calls.push_back("write " + m_names[handle]);
        return m_failing == "write" ? kDiskFull
                                    : kovadex::SystemFileCalls::Write(handle, data, size);
    }
    int Sync(Handle handle) override {
        m_calls.push_back("sync " + m_names[handle]);
        return m_failing == "sync" ? kDiskFull : kovadex::SystemFileCalls::Sync(handle);
    }
    int Rename(const std::string& from, const std::string& to) override {
        m_calls.push_back("rename " + from + " " + to);
        return m_failing == "rename" ? kDiskFull : kovadex::SystemFileCalls::Rename(from, to);
    }
    int SyncFolder(const std::string& folder) override {
        m_calls.push_back("sync folder " + folder);
        return m_failing == "sync folder" ? kDiskFull
                                          : kovadex::SystemFileCalls::SyncFolder(folder);
    }

    std::vector<std::string> m_calls;
    std::string m_scratch;
    std::string m_failing;  // the call that fails as on a full disk
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
        "rename " + m_calls.m_scratch + " " + path, "sync folder " + m_dir.Path()};
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
    EXPECT_EQ(m_dir.FileNames(), std::vector<std::string>{"kept.ini"});
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
    EXPECT_THAT(result.error, ::testing::HasSubstr(SystemText(kDiskFull)));
    EXPECT_EQ(result.error.find("is kept as it was") != std::string::npos, GetParam().kept);
    EXPECT_EQ(ReadAll(path) == before, GetParam().kept);
    EXPECT_EQ(m_dir.FileNames(), std::vector<std::string>{"failing.ini"});
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
