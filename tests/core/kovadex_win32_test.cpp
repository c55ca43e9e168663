#include <windows.h>

#include <gmock/gmock.h>

#include <algorithm>
#include <string>
#include <vector>

#include "kovadex.h"
#include "support/workspace_file_fixture.h"

// Workspace files where Windows differs: a move that replaces the old name, read-only
// attributes, files that another program holds open, devices and folders, attributes that
// pass on.
namespace {

using kovadex_test::SystemText;
using kovadex_test::WorkspaceFile;
using ::testing::HasSubstr;

// Closes a handle when it goes.
class Handle {
public:
    explicit Handle(HANDLE handle) : m_handle(handle) {}
    ~Handle() {
        if (m_handle != INVALID_HANDLE_VALUE) {
            CloseHandle(m_handle);
        }
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool Valid() const { return m_handle != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_handle;
};

class WorkspaceFileOnWindows : public WorkspaceFile {
protected:
    // Saves "old" under `name` and gives back its bytes.
    std::string SaveOld(int32_t workspace, const std::string& path) {
        SavePChar(workspace, "tolvane", "Host", "old");
        EXPECT_EQ(SaveWorkspaceFile(workspace, path.c_str()), 1) << WorkspaceFileError();
        SavePChar(workspace, "tolvane", "Host", "new");
        return ReadAll(path);
    }
};

// MoveFileExA must replace the existing name: without MOVEFILE_REPLACE_EXISTING the second
// save fails, and a copy instead of a move would leave the new file behind.
TEST_F(WorkspaceFileOnWindows, ReplacesAnExistingFileWithOneMove) {
    const std::string path = PathOf("station.ini");
    SaveOld(50, path);
    ASSERT_EQ(SaveWorkspaceFile(50, path.c_str()), 1) << WorkspaceFileError();
    EXPECT_THAT(ReadAll(path), HasSubstr("Host=@ByteArray(new)"));
    EXPECT_EQ(m_dir.FileNames(), std::vector<std::string>{"station.ini"});
}

TEST_F(WorkspaceFileOnWindows, RefusesAReadOnlyFileAndKeepsIt) {
    const std::string path = PathOf("read-only.ini");
    const std::string before = SaveOld(51, path);
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(SaveWorkspaceFile(51, path.c_str()), 0);
    EXPECT_THAT(WorkspaceFileError(),
                HasSubstr("cannot write " + path + ": " + SystemText(ERROR_ACCESS_DENIED)));
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(m_dir.FileNames(), std::vector<std::string>{"read-only.ini"});
    EXPECT_EQ(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY,
              static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
}

// A program that holds the file open without FILE_SHARE_DELETE keeps it from being replaced;
// the save says so and leaves it, and succeeds once the program has let go.
TEST_F(WorkspaceFileOnWindows, RefusesAFileThatAnotherHandleHoldsWithoutShareDelete) {
    const std::string path = PathOf("held.ini");
    const std::string before = SaveOld(52, path);
    {
        const Handle held(CreateFileA(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(held.Valid());
        EXPECT_EQ(SaveWorkspaceFile(52, path.c_str()), 0);
        EXPECT_THAT(WorkspaceFileError(),
                    HasSubstr("cannot write " + path + ": " + SystemText(ERROR_SHARING_VIOLATION)));
        EXPECT_EQ(ReadAll(path), before);
        EXPECT_EQ(m_dir.FileNames(), std::vector<std::string>{"held.ini"});
    }
    ASSERT_EQ(SaveWorkspaceFile(52, path.c_str()), 1) << WorkspaceFileError();
    EXPECT_THAT(ReadAll(path), HasSubstr("Host=@ByteArray(new)"));
}

// Windows has no FIFOs in the file system: devices and folders are what is not a file.
TEST_F(WorkspaceFileOnWindows, RefusesToLoadADeviceOrAFolder) {
    ASSERT_TRUE(m_dir.MakeFolder("folder.ini"));
    for (const std::string& path : {std::string("NUL"), PathOf("folder.ini")}) {
        SaveInteger(54, "t", "Top", 5);
        EXPECT_EQ(LoadWorkspaceFile(54, path.c_str()), 0) << path;
        EXPECT_THAT(WorkspaceFileError(), HasSubstr(path + " is not a regular file"));
        EXPECT_EQ(LoadInteger(54, "t", "Top", 0), 5);
    }
}

TEST_F(WorkspaceFileOnWindows, RefusesToSaveOverAFolder) {
    ASSERT_TRUE(m_dir.MakeFolder("folder.ini"));
    const std::string path = PathOf("folder.ini");
    EXPECT_EQ(SaveWorkspaceFile(55, path.c_str()), 0);
    EXPECT_THAT(WorkspaceFileError(), HasSubstr(path + " is not a regular file"));
    EXPECT_TRUE(m_dir.FileNames().empty());
}

// Forward and back slashes both separate folders: the new file goes beside the old one.
TEST_F(WorkspaceFileOnWindows, SavesUnderANameWithForwardSlashes) {
    std::string path = PathOf("station.ini");
    std::replace(path.begin(), path.end(), '\\', '/');
    SaveOld(56, path);
    ASSERT_EQ(SaveWorkspaceFile(56, path.c_str()), 1) << WorkspaceFileError();
    EXPECT_EQ(m_dir.FileNames(), std::vector<std::string>{"station.ini"});
}

TEST_F(WorkspaceFileOnWindows, KeepsTheHiddenAttributeOfAReplacedFile) {
    const std::string path = PathOf("hidden.ini");
    SaveOld(57, path);
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_EQ(SaveWorkspaceFile(57, path.c_str()), 1) << WorkspaceFileError();
    EXPECT_THAT(ReadAll(path), HasSubstr("Host=@ByteArray(new)"));
    EXPECT_EQ(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_HIDDEN,
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
}

// Wine 8 answers CreateSymbolicLinkA with success and makes no link, so the store's refusal to
// save through a Windows link cannot be shown here.
TEST_F(WorkspaceFileOnWindows, RefusesToSaveThroughASymbolicLink) {
    const std::string target = PathOf("real.ini");
    const std::string link = PathOf("link.ini");
    SaveOld(58, target);
    if (!CreateSymbolicLinkA(link.c_str(), target.c_str(), 0) ||
        GetFileAttributesA(link.c_str()) == INVALID_FILE_ATTRIBUTES) {
        GTEST_SKIP() << "this system makes no symbolic link (Wine 8 does not)";
    }
    const std::string before = ReadAll(target);
    EXPECT_EQ(SaveWorkspaceFile(58, link.c_str()), 0);
    EXPECT_THAT(WorkspaceFileError(), HasSubstr("cannot read the link " + link));
    EXPECT_EQ(ReadAll(target), before);
    ASSERT_EQ(LoadWorkspaceFile(59, link.c_str()), 1) << WorkspaceFileError();
}

}  // namespace
