#include <windows.h>

#include <algorithm>
#include <stdexcept>

#include "temp_folder.h"

namespace test_support {

namespace {

std::string Windows(std::string name) {
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}

// Read-only files are made writable first: DeleteFileA refuses them.
void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA found{};
    const HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            const std::string path = folder + "\\" + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
                RemoveTree(path);
            } else {
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

}  // namespace

TempFolder::TempFolder() {
    char base[MAX_PATH + 1] = {};
    if (GetTempPathA(sizeof base, base) == 0) {
        throw std::runtime_error("no temporary folder");
    }
    for (unsigned attempt = 0; attempt < 1000; ++attempt) {
        const std::string path = std::string(base) + "tolvane-test-" +
                                 std::to_string(GetCurrentProcessId()) + "-" +
                                 std::to_string(GetTickCount() + attempt);
        if (CreateDirectoryA(path.c_str(), nullptr)) {
            m_path = path;
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary folder in " + std::string(base));
}

TempFolder::~TempFolder() {
    RemoveTree(m_path);
}

std::string TempFolder::PathOf(const std::string& name) const {
    return m_path + "\\" + Windows(name);
}

bool TempFolder::MakeFolder(const std::string& name) const {
    return CreateDirectoryA(PathOf(name).c_str(), nullptr) != 0;
}

std::vector<std::string> TempFolder::FileNames(const std::string& under) const {
    std::vector<std::string> names;
    const std::string folder = under.empty() ? m_path : PathOf(under);
    WIN32_FIND_DATAA found{};
    const HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            names.push_back(found.cFileName);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace test_support
