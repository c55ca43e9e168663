#include "output/output_state.h"

#include <chrono>

namespace {

OutputState g_output;

int64_t MonotonicMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

OutputState& Output() {
    return g_output;
}

std::function<int64_t()>& OutputClock() {
    static std::function<int64_t()> clock = MonotonicMs;
    return clock;
}

void ForgetSentPI() {
    g_output.CurrentPI = -1;
    g_output.LastSentPI = -1;
}
