#include "VaCommDeviceMap.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

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
