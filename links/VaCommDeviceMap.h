#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// How the Windows port names the plug-in is configured with become Linux device paths.
namespace va_device_map {

// The name pattern with every "%d" (or "%u") replaced by the port number and "%%" by "%";
// any other "%" sequence is kept as it is, so no pattern can read beyond the one number.
std::string FormatDeviceName(std::string_view pattern, std::int32_t portNum);

// How many "%d" or "%u" the pattern holds ("%%" is no placeholder).
int PortPlaceholders(std::string_view pattern);

// n for a name "COMn" (any case, n from 1 without leading zeros), otherwise nothing.
std::optional<std::int64_t> ComPortNumber(std::string_view name);

// The per-user folder of port links: $XDG_CONFIG_HOME/tolvane/comports when that variable
// holds an absolute path, otherwise ~/.config/tolvane/comports.
std::string DeviceMapFolder();

// The device for a formatted name: a leading "\\.\" is dropped; "COMn" becomes the target of
// the link "comn" in the device-map folder (relative targets resolved from the folder), else
// /dev/ttyS(n-1); any other absolute name is used as a path. Nothing for a name that leads
// nowhere, such as "COM0", "COM01" or a relative path, which would name a file of whatever
// folder the host runs in.
std::optional<std::string> ResolveDevicePath(std::string_view formattedName);

}  // namespace va_device_map
