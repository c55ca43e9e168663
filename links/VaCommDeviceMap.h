#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "VaCommPortName.h"

// How the Windows port names the plug-in is configured with become Linux device paths.
namespace va_device_map {

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
