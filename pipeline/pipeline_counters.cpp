#include "pipeline/pipeline_counters.h"

int32_t IncrementCounter(int32_t& counter) noexcept {
    counter = static_cast<int32_t>(static_cast<uint32_t>(counter) + 1U);
    return counter;
}
