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
// are not the sender's.
[[nodiscard]] std::vector<std::string> SenderFaults(std::string_view summary);

}  // namespace encoder_sim
