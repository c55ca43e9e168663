#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "plugin_library.h"

// What the encoder should have received from a run of the main job, worked out from the groups
// fed and the plug-in's selection alone, and the verdict on what it did receive.
namespace main_job {

struct Selection {
    std::array<bool, 32> types{};  // by group type index: 0 = 0A, 1 = 0B ... 31 = 15B
    bool keepPi = true;
    bool keepPty = true;
    bool keepTp = true;
};

// "1A,3A,8A" to a type selection; nothing for a name that is no group type.
[[nodiscard]] std::optional<std::array<bool, 32>> ParseTypes(std::string_view names);

// The encoder's record of each group, as the simulator writes it ("PPPP B2B2 B3B3 B4B4", "----"
// for the PI before any PI command), for every fed group that the selection passes.
[[nodiscard]] std::vector<std::string> ExpectedLines(const std::vector<HostGroupRecord>& fed,
                                                     const Selection& selection);

struct Verdict {
    bool pass = false;
    std::string text;
};

[[nodiscard]] Verdict Judge(const std::vector<std::string>& expected,
                            const std::vector<std::string>& received);

// The verdict on the groups, failed also when the encoder counted what a correct sender never
// causes (`senderFaults`, as the simulator's summary shows them): a group-exact record does not
// prove the output if malformed lines or cut commands came with it.
[[nodiscard]] Verdict JudgeWithSenderFaults(Verdict groups,
                                            const std::vector<std::string>& senderFaults);

}  // namespace main_job
