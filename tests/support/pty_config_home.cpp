#include "support/pty_config_home.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace test_support {

PtyConfigHome::PtyConfigHome() {
    if (const char* previous = std::getenv("XDG_CONFIG_HOME")) {
        m_hadPrevious = true;
        m_previous = previous;
    }
    std::string pattern = (std::filesystem::temp_directory_path() / "vacomm-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    m_path = pattern;
    setenv("XDG_CONFIG_HOME", m_path.c_str(), 1);
}

PtyConfigHome::~PtyConfigHome() {
    if (m_hadPrevious) {
        setenv("XDG_CONFIG_HOME", m_previous.c_str(), 1);
    } else {
        unsetenv("XDG_CONFIG_HOME");
    }
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string PtyConfigHome::mapFolder() const {
    const std::filesystem::path folder = std::filesystem::path(m_path) / "tolvane" / "comports";
    std::filesystem::create_directories(folder);
    return folder.string();
}

void PtyConfigHome::linkPort(int n, const std::string& target) const {
    const std::filesystem::path link =
        std::filesystem::path(mapFolder()) / ("com" + std::to_string(n));
    std::error_code ignored;
    std::filesystem::remove(link, ignored);
    std::filesystem::create_symlink(target, link);
}

}  // namespace test_support
