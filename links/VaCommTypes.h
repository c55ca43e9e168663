#pragma once

#include <cstdint>
#include <initializer_list>
#include <stdexcept>

// What every part of the serial unit shares, on every platform: its one exception class, the
// enumerations and sets of its properties, thread priorities, and the event bits its threads
// hand to the component.

// Every failure of the serial port; the message says what failed, with errno's number and text.
class EVaCommError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum TVaBaudrate {
    brUser,
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000
};
enum TVaParity { paNone, paOdd, paEven, paMark, paSpace };
enum TVaDatabits { db4, db5, db6, db7, db8 };
enum TVaStopbits { sb1, sb15, sb2 };
enum TVaCommOption { coParityCheck, coNullStrip, coErrorChar };
enum TVaCommEvent {
    ceBreak,
    ceCts,
    ceDsr,
    ceError,
    ceRing,
    ceRlsd,
    ceRxChar,
    ceRxFlag,
    ceTxEmpty,
    cePErr,
    ceRx80Full,
    ceEvent1,
    ceEvent2
};

// A set of enumeration members, as the component's set-valued properties hold them.
template <typename E>
class TVaSet {
public:
    constexpr TVaSet() = default;
    constexpr TVaSet(std::initializer_list<E> members) {
        for (const E member : members) {
            Include(member);
        }
    }
    constexpr bool Contains(E member) const { return (m_bits & bit(member)) != 0; }
    constexpr TVaSet& Include(E member) {
        m_bits |= bit(member);
        return *this;
    }
    constexpr TVaSet& Exclude(E member) {
        m_bits &= ~bit(member);
        return *this;
    }
    constexpr bool Empty() const { return m_bits == 0; }
    constexpr bool operator==(const TVaSet&) const = default;

private:
    static constexpr std::uint32_t bit(E member) { return 1u << static_cast<unsigned>(member); }
    std::uint32_t m_bits = 0;
};

using TVaCommOptions = TVaSet<TVaCommOption>;
using TVaCommEvents = TVaSet<TVaCommEvent>;
using TVaPortInt = std::int32_t;
using PVaData = const void*;

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
