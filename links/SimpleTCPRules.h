#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// What the TCP link decides in the same way on every platform, as plain C++ that both compile:
// what a Host text is, the bounds of its reads and of the bytes it keeps unsent, and the period
// its timer runs at.
namespace simple_tcp {

// Bytes held back unsent at most, and bytes taken from the socket per readable notification.
inline constexpr int kMaxUnsentBytes = 64 * 1024;
inline constexpr int kReadBytesPerNotification = 64 * 1024;

// What a Host text is without asking a resolver: a dotted IPv4 address (network byte order),
// a text that names no host (empty, an embedded NUL, or digits and dots that are no address,
// which the resolver refuses in the same way without a query), or a name to look up.
struct HostText {
    enum class Kind { Address, Invalid, Name };
    Kind kind = Kind::Invalid;
    uint32_t address = 0;
};
[[nodiscard]] HostText classifyHost(const std::string& host);

// The period the timer actually runs for an interval: window timers never tick faster than every
// 10 ms, and a negative interval means the longest period there is, never a busy loop.
[[nodiscard]] int TimerPeriod(int32_t interval) noexcept;

// The bytes handed to the link that the socket has not taken yet, in order, at most
// kMaxUnsentBytes of them.
class UnsentBytes {
public:
    [[nodiscard]] bool empty() const noexcept { return m_bytes.empty(); }
    [[nodiscard]] size_t size() const noexcept { return m_bytes.size(); }
    [[nodiscard]] const char* data() const noexcept { return m_bytes.data(); }
    // Keeps count more bytes behind those kept, unless that would take them beyond the bound:
    // then nothing is kept and the result is false.
    [[nodiscard]] bool Keep(const char* bytes, size_t count);
    // Forgets the first count bytes, which the socket has taken.
    void Drop(size_t count) noexcept;
    void Clear() noexcept { m_bytes.clear(); }

private:
    std::string m_bytes;
};

}  // namespace simple_tcp
