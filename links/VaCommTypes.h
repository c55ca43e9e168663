#pragma once

#include <cstdint>
#include <stdexcept>

// What every part of the serial unit shares: its one exception class, thread priorities, and
// the event bits its threads hand to the component.

// Every failure of the serial port; the message says what failed, with errno's number and text.
class EVaCommError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// Line events as bits of one event word, in the order of a communications event mask.
namespace va_event_bits {

inline constexpr std::uint32_t kRxChar = 0x1;
inline constexpr std::uint32_t kRxFlag = 0x2;
inline constexpr std::uint32_t kTxEmpty = 0x4;
inline constexpr std::uint32_t kCts = 0x8;
inline constexpr std::uint32_t kDsr = 0x10;
inline constexpr std::uint32_t kRlsd = 0x20;
inline constexpr std::uint32_t kBreak = 0x40;
inline constexpr std::uint32_t kError = 0x80;
inline constexpr std::uint32_t kRing = 0x100;
inline constexpr std::uint32_t kPErr = 0x200;
inline constexpr std::uint32_t kRx80Full = 0x400;
inline constexpr std::uint32_t kEvent1 = 0x800;
inline constexpr std::uint32_t kEvent2 = 0x1000;
// Not a line event: the event thread has stopped on a failure of its own.
inline constexpr std::uint32_t kThreadFailed = 0x80000000;
// Not a line event: the line hung up (the device went away, or the far end closed it). Always
// reported, whichever events are monitored.
inline constexpr std::uint32_t kHungUp = 0x40000000;

}  // namespace va_event_bits
