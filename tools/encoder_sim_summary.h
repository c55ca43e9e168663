#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace encoder_sim {

// The "key: value" lines of a summary as the recorder writes it.
[[nodiscard]] std::map<std::string, std::string> ParseSummary(std::string_view text);

// What a summary shows that a correct sender never causes, one text each: malformed lines, empty
// lines, cut commands, and received bytes that its parts do not add up to (or a line missing).
// Empty when there is none. Faults of the simulator's own making (bytes after a close or reset)
// are not the sender's. A serial sender cancels the fragment that a closed port left on the line
// once it has reopened the port, so it may show one cancelled line per reconnect (connections
// less one); a TCP sender starts every connection afresh and never has a line to cancel.
enum class CancelledLines { AreFaults, OnePerReconnect };
[[nodiscard]] std::vector<std::string> SenderFaults(
    std::string_view summary, CancelledLines cancelled = CancelledLines::AreFaults);

}  // namespace encoder_sim
