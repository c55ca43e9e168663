#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// How a port's name pattern and number make a device name, on every platform.
namespace va_device_map {

// The name pattern with every "%d" (or "%u") replaced by the port number and "%%" by "%";
// any other "%" sequence is kept as it is, so no pattern can read beyond the one number.
std::string FormatDeviceName(std::string_view pattern, std::int32_t portNum);

// How many "%d" or "%u" the pattern holds ("%%" is no placeholder).
int PortPlaceholders(std::string_view pattern);

// n for a name "COMn" (any case, n from 1 without leading zeros), otherwise nothing.
std::optional<std::int64_t> ComPortNumber(std::string_view name);

// The name a Windows port opens: the formatted name in the device namespace ("\\.\COM10"), which
// reaches every port number; a name already there is kept as it is.
std::string WithDeviceNamespace(std::string_view formattedName);

}  // namespace va_device_map
