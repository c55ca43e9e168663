#pragma once

#include <cstdint>

// The statistics counters of the plug-in: signed 32-bit, zero when the library is loaded.
struct PipelineCounters {
    int32_t ReceivedTotal = 0;
    int32_t ReceivedThisPeriod = 0;
    int32_t CrcDiscards = 0;
    int32_t FilterDiscards = 0;
    int32_t OverrunLosses = 0;
    int32_t SentTotal = 0;
    int32_t SentThisPeriod = 0;
};

// Adds 1 and returns the new value. A counter that has run for years wraps round to the most
// negative value instead of overflowing, which would be undefined behaviour.
int32_t IncrementCounter(int32_t& counter) noexcept;
