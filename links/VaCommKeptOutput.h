#pragma once

#include <functional>
#include <string>

// The bytes of a direct write that the device has not taken yet. They are written before any
// later bytes, so a reader that stalls never receives a command cut in two and glued to the
// next one, and nothing counts as written before the device has taken it.
class VaKeptOutput {
public:
    // One attempt to hand bytes to the device: returns how many it took (0 for none now);
    // throws EVaCommError when the device fails.
    using TWrite = std::function<int(const char* data, int count)>;

    struct TOutcome {
        int result = 0;   // what WriteBuf returns: count, or 0 when the new bytes were refused
        int written = 0;  // bytes the device took during the call, kept ones included
    };

    [[nodiscard]] int Size() const { return static_cast<int>(m_bytes.size()); }
    [[nodiscard]] bool Empty() const { return m_bytes.empty(); }
    void Drop() noexcept { m_bytes.clear(); }

    // Hands kept bytes to writeNow until none are left or it takes nothing; returns how many
    // it took.
    int Flush(const TWrite& writeNow);

    // Flushes the kept bytes first; while some remain the new bytes are refused whole.
    // Otherwise writeWithin takes what the device accepts within the write timeout and the rest
    // is kept; the result is then count.
    TOutcome Write(const char* data, int count, const TWrite& writeNow, const TWrite& writeWithin);

private:
    std::string m_bytes;
};
