#include "output/encoder_command.h"

#include <cstdio>
#include <cstdlib>

namespace encoder_output {
namespace {

constexpr int32_t kKeepPtyMask = 0xFC1F;
constexpr int32_t kKeepTpMask = 0xFBFF;
constexpr int32_t kMaxPi = 0xFFFF;

std::string Hex4(int32_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(value) & 0xFFFFu);
    return text;
}

}  // namespace

int32_t ApplyKeepMasks(int32_t block2, const KeepOptions& keep) {
    if (keep.KeepPTY) {
        block2 &= kKeepPtyMask;
    }
    if (keep.KeepTP) {
        block2 &= kKeepTpMask;
    }
    return block2;
}

std::string PiCommand(int32_t pi) {
    return "PI=" + Hex4(pi) + '\r';
}

std::string GroupCommand(int32_t block2, int32_t block3, int32_t block4) {
    return "G=" + Hex4(block2) + Hex4(block3) + Hex4(block4) + '\r';
}

SendPlan PlanSend(const RdsGroupRecord& group, const KeepOptions& keep, int32_t currentPI,
                  int32_t lastSentPI) {
    SendPlan plan;
    plan.currentPI = currentPI;
    plan.lastSentPI = lastSentPI;
    if (group.Block1 >= 0) {
        plan.currentPI = group.Block1;
        if (plan.currentPI != lastSentPI && !keep.KeepPI) {
            if (plan.currentPI <= kMaxPi) {
                plan.piCommand = PiCommand(plan.currentPI);
            }
            plan.lastSentPI = plan.currentPI;
        }
    }
    plan.groupCommand =
        GroupCommand(ApplyKeepMasks(group.Block2, keep), group.Block3, group.Block4);
    return plan;
}

bool EndsInsideACommand(std::string_view text, std::size_t dropped) {
    const std::size_t reached = dropped < text.size() ? text.size() - dropped : 0;
    return reached > 0 && text[reached - 1] != '\r';
}

bool SpacingAllows(std::optional<int64_t> lastSendMs, int64_t nowMs) {
    if (!lastSendMs) {
        return true;
    }
    const int64_t difference = nowMs - *lastSendMs;
    return difference >= kMinSpacingMs || difference <= -kMinSpacingMs;
}

int32_t ChooseSendInterval(int speedIndex, bool limit, LinkKind selected, bool bidirectional) {
    int32_t interval = 88;
    if (speedIndex == 1) {
        interval = 130;
    }
    if (limit || speedIndex == 0) {
        interval = 260;
    }
    if (selected == lkNone) {
        interval = 260;
    }
    if (bidirectional) {
        interval = 260;
    }
    return interval;
}

}  // namespace encoder_output
