#include "VaCommDeviceMap.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <vector>

namespace va_device_map {
namespace {

constexpr std::string_view kDeviceNamespacePrefix = R"(\\.\)";
constexpr std::string_view kFolderBelowConfig = "tolvane/comports";

std::string homeDirectory() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        return home;
    }
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr) {
        return found->pw_dir;
    }
    return "/";
}

std::optional<std::string> linkTarget(const std::string& linkPath) {
    struct stat info {};
    if (lstat(linkPath.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
        return std::nullopt;
    }
    std::vector<char> target(4096);
    const ssize_t length = readlink(linkPath.c_str(), target.data(), target.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) {
        return std::nullopt;
    }
    return std::string(target.data(), static_cast<std::size_t>(length));
}

}  // namespace

std::string FormatDeviceName(std::string_view pattern, std::int32_t portNum) {
    std::string result;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        if (pattern[i] == '%' && (next == 'd' || next == 'u')) {
            result += std::to_string(portNum);
            ++i;
        } else if (pattern[i] == '%' && next == '%') {
            result += '%';
            ++i;
        } else {
            result += pattern[i];
        }
    }
    return result;
}

int PortPlaceholders(std::string_view pattern) {
    int count = 0;
    for (std::size_t i = 0; i + 1 < pattern.size(); ++i) {
        if (pattern[i] == '%') {
            count += pattern[i + 1] == 'd' || pattern[i + 1] == 'u' ? 1 : 0;
            ++i;
        }
    }
    return count;
}

std::optional<std::int64_t> ComPortNumber(std::string_view name) {
    if (name.size() < 4 || name.size() > 13) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < 3; ++i) {
        if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i]) {
            return std::nullopt;
        }
    }
    const std::string_view digits = name.substr(3);
    if (digits.front() == '0') {
        return std::nullopt;
    }
    std::int64_t number = 0;
    for (const char c : digits) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            return std::nullopt;
        }
        number = number * 10 + (c - '0');
    }
    return number;
}

std::string DeviceMapFolder() {
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    const std::string base = configHome != nullptr && configHome[0] == '/'
                                 ? std::string(configHome)
                                 : homeDirectory() + "/.config";
    return base + "/" + std::string(kFolderBelowConfig);
}

std::optional<std::string> ResolveDevicePath(std::string_view formattedName) {
    if (formattedName.starts_with(kDeviceNamespacePrefix)) {
        formattedName.remove_prefix(kDeviceNamespacePrefix.size());
    }
    const std::optional<std::int64_t> port = ComPortNumber(formattedName);
    if (!port) {
        if (!formattedName.starts_with('/')) {
            return std::nullopt;
        }
        return std::string(formattedName);
    }
    const std::string folder = DeviceMapFolder();
    if (std::optional<std::string> target = linkTarget(folder + "/com" + std::to_string(*port))) {
        return target->starts_with('/') ? *target : folder + "/" + *target;
    }
    return "/dev/ttyS" + std::to_string(*port - 1);
}

}  // namespace va_device_map
