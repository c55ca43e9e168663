#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace encoder_sim {

// The encoder's acknowledgement of a command: CR LF "+" CR LF CR LF.
inline constexpr std::string_view kEncoderAck = "\r\n+\r\n\r\n";

enum class CommandKind { Pi, Group, Malformed };

struct Command {
    CommandKind kind = CommandKind::Malformed;
    std::uint16_t pi = 0;                   // for Pi
    std::array<std::uint16_t, 3> blocks{};  // blocks 2 to 4, for Group
};

// "PI=" and exactly 4, or "G=" and exactly 12 upper-case hexadecimal digits, without the line
// end. Anything else (another prefix, another digit count, lower-case or non-hex digits,
// trailing spaces) is malformed.
[[nodiscard]] Command ParseCommand(std::string_view line);

}  // namespace encoder_sim
