#include "VaCommPortName.h"

#include <cctype>

namespace va_device_map {

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

std::string WithDeviceNamespace(std::string_view formattedName) {
    constexpr std::string_view kPrefix = R"(\\.\)";
    if (formattedName.starts_with(kPrefix)) {
        return std::string(formattedName);
    }
    return std::string(kPrefix) + std::string(formattedName);
}

}  // namespace va_device_map
