#include "output/output_state.h"

#include <chrono>

namespace {

int64_t MonotonicMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

OutputState& Output() {
    static OutputState output;
    return output;
}

std::function<int64_t()>& OutputClock() {
    static std::function<int64_t()> clock = MonotonicMs;
    return clock;
}

void ForgetSentPI() {
    Output().CurrentPI = -1;
    Output().LastSentPI = -1;
}
