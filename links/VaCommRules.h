#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "VaCommTypes.h"

// The serial port's decisions that do not depend on the platform: its message texts, how they
// are filled, the speed each baud rate stands for and the event mask its properties ask for.
namespace va_comm {

inline constexpr const char* kWhileOpen = "Can't perform this operation while port is open";
inline constexpr const char* kNotFound = "Specified device not found (%s).";
inline constexpr const char* kTwoPlaceholders =
    "Device name %s holds more than one port number placeholder";
inline constexpr const char* kCantOpen = "Can't open specified device %s";
inline constexpr const char* kCantOpenDetail = " (Error %d, %s)";
inline constexpr const char* kWriteDcb = "Error writing dcb (%d), %s";
inline constexpr const char* kInitBuffers = "Error initializing buffers (%d), %s";
inline constexpr const char* kSetTimeouts = "Error setting timeouts (%d), %s";
inline constexpr const char* kSetEventMask = " Error setting EventMask (%d), %s";
inline constexpr const char* kReadError = "Read error (%d), %s";
inline constexpr const char* kWriteError = "Write error (%d), %s";
inline constexpr const char* kStatistics = "Error retrieving statistics (%d), %s";
inline constexpr const char* kEventThreadStopped =
    "The port's event thread stopped: waiting for line events failed (%d), %s";
inline constexpr const char* kOutputFull = "Output buffer is full. Please check comm status.";
inline constexpr const char* kHungUpText = "The line hung up (%d), %s";
inline constexpr const char* kNegativePortNum = "PortNum must be 0 to 2147483647";

// Fills each "%d" or "%s" of the pattern, in order, with the next value; a placeholder without
// a value stays as it is.
[[nodiscard]] std::string FillMessage(std::string_view pattern,
                                      std::initializer_list<std::string> values);

// A message with an error's number and the system's text for it.
[[nodiscard]] std::string ErrorMessage(std::string_view pattern, long error,
                                       const std::string& systemText);

// Bits per second for a table rate, or userBaudrate for brUser.
[[nodiscard]] std::int64_t BitsPerSecond(TVaBaudrate rate, std::int32_t userBaudrate);

// The event bits MonitorEvents asks for (monitored), and those the event thread waits for
// (wait): without DirectWrite the writer thread reports transmit-empty itself.
struct EventMasks {
    std::uint32_t monitored = 0;
    std::uint32_t wait = 0;
};
[[nodiscard]] EventMasks EventMaskOf(TVaCommEvents events, bool directWrite);

}  // namespace va_comm
