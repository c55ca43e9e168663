#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "support/temp_folder.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <cerrno>
#include <cstring>
#endif

// What the tests of workspace files share on every platform. Outside an anonymous namespace:
// GoogleTest takes a suite's fixture to be one type in every file that has tests of the suite.
namespace kovadex_test {

// The codes that the platform's file calls give for a full disk and for a name in a folder
// that does not exist.
#if defined(_WIN32)
inline constexpr int kDiskFull = ERROR_DISK_FULL;
inline constexpr int kNoSuchFolder = ERROR_PATH_NOT_FOUND;
#else
inline constexpr int kDiskFull = ENOSPC;
inline constexpr int kNoSuchFolder = ENOENT;
#endif

// The system's own text for an error code, up to its first full stop or line end.
inline std::string SystemText(int error) {
#if defined(_WIN32)
    char buffer[512] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   static_cast<DWORD>(error), 0, buffer, sizeof buffer, nullptr);
    const std::string text = buffer;
    return text.substr(0, text.find_first_of(".\r\n"));
#else
    return std::strerror(error);
#endif
}

// Workspace files: every case writes into a folder of its own. Files are read and written
// as bytes (binary mode), so that a test sees what is on the disk.
class WorkspaceFile : public ::testing::Test {
protected:
    std::string PathOf(const char* name) const { return m_dir.PathOf(name); }
    static std::string ReadAll(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void WriteAll(const std::string& path, const std::string& contents) {
        std::ofstream(path, std::ios::binary) << contents;
    }

    test_support::TempFolder m_dir;
};

}  // namespace kovadex_test
