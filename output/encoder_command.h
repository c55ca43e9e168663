#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "pipeline/rds_group_record.h"

// The encoder's command language and the rules that pace it. Plain values, no links.
namespace encoder_output {

// The link that commands are written to; the order of the connection-type items.
enum LinkKind : int32_t { lkSerial = 0, lkTcp = 1, lkNone = 2 };

// Which of its own fields the encoder keeps instead of taking them from the groups.
struct KeepOptions {
    bool KeepPI = false;
    bool KeepPTY = false;
    bool KeepTP = false;
};

// Block 2 with the PTY field (bits 9 to 5) and then the TP flag (bit 10) cleared where kept.
[[nodiscard]] int32_t ApplyKeepMasks(int32_t block2, const KeepOptions& keep);

// "PI=" and 4 upper-case hexadecimal digits, then CR.
[[nodiscard]] std::string PiCommand(int32_t pi);
// "G=" and blocks 2 to 4 as 12 upper-case hexadecimal digits, then CR.
[[nodiscard]] std::string GroupCommand(int32_t block2, int32_t block3, int32_t block4);

// What one send tick writes for a group, and the PI state once its commands are written.
// A PI command is planned only when the group's PI is 0..65535, differs from the last PI
// dealt with and is not kept; a PI above 65535 moves the last PI without a command; a
// negative PI leaves both values alone.
struct SendPlan {
    std::optional<std::string> piCommand;
    std::string groupCommand;
    int32_t currentPI = 0;
    int32_t lastSentPI = 0;
};
[[nodiscard]] SendPlan PlanSend(const RdsGroupRecord& group, const KeepOptions& keep,
                                int32_t currentPI, int32_t lastSentPI);

// Ends a line that a closed port cut short. CAN is in no command, so whatever part of a command
// had reached the encoder becomes a malformed line that it drops; a bare CR would instead
// complete a command that lacked only its CR, and the encoder would take that group twice.
inline constexpr std::string_view kCancelLine = "\x18\r";

// True when the bytes of `text` that reached the device, all but the last `dropped`, end inside
// a command: some reached it, and the last of them is not a CR.
[[nodiscard]] bool EndsInsideACommand(std::string_view text, std::size_t dropped);

// In bidirectional mode a group goes out only 60 ms or more after the previous one was taken
// (either direction of the clock). The first group has no previous one.
inline constexpr int64_t kMinSpacingMs = 60;
[[nodiscard]] bool SpacingAllows(std::optional<int64_t> lastSendMs, int64_t nowMs);

// The send interval chosen at Connect / Update; each later rule that applies wins.
// speedIndex is the port-speed item (0 = 1200 ... 4 = 19200 bps, -1 for none).
[[nodiscard]] int32_t ChooseSendInterval(int speedIndex, bool limit, LinkKind selected,
                                         bool bidirectional);

// Intervals of the send timer: at creation, and after an acknowledgement.
inline constexpr int32_t kInitialSendIntervalMs = 70;
inline constexpr int32_t kAcknowledgedIntervalMs = 20;

}  // namespace encoder_output
