#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "temp_folder.h"

namespace test_support {

TempFolder::TempFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/tolvane-test-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a temporary folder " + pattern);
    }
    m_path = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string TempFolder::PathOf(const std::string& name) const {
    return m_path + "/" + name;
}

bool TempFolder::MakeFolder(const std::string& name) const {
    return ::mkdir(PathOf(name).c_str(), 0700) == 0;
}

std::vector<std::string> TempFolder::FileNames(const std::string& under) const {
    std::vector<std::string> names;
    const std::string folder = under.empty() ? m_path : PathOf(under);
    DIR* listing = ::opendir(folder.c_str());
    if (listing == nullptr) {
        return names;
    }
    while (const dirent* entry = ::readdir(listing)) {
        struct stat status {};
        const std::string name = entry->d_name;
        if (::lstat((folder + "/" + name).c_str(), &status) == 0 && !S_ISDIR(status.st_mode)) {
            names.push_back(name);
        }
    }
    ::closedir(listing);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace test_support
