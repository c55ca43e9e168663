#include "SimpleTCPRules.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <optional>

namespace simple_tcp {

namespace {

bool isDigit(char c) noexcept {
    return c >= '0' && c <= '9';
}

bool isSpace(char c) noexcept {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

int hexValue(char c) noexcept {
    if (isDigit(c)) {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// One number of a dotted address in C notation (0x hex, a leading 0 octal, else decimal), from
// position; it ends at the first character that is no digit of its base.
std::optional<uint32_t> parsePart(const std::string& text, size_t& position) noexcept {
    unsigned base = 10;
    if (text[position] == '0') {
        const bool hex = position + 2 < text.size() &&
                         (text[position + 1] == 'x' || text[position + 1] == 'X') &&
                         hexValue(text[position + 2]) >= 0;
        base = hex ? 16 : 8;
        position += hex ? 2 : 0;
    }
    uint64_t value = 0;
    for (; position < text.size(); ++position) {
        const int digit = hexValue(text[position]);
        if (digit < 0 || static_cast<unsigned>(digit) >= base) {
            break;
        }
        value = value * base + static_cast<unsigned>(digit);
        if (value > UINT32_MAX) {
            return std::nullopt;
        }
    }
    return static_cast<uint32_t>(value);
}

// The classic dotted forms a.b.c.d, a.b.c (c 16 bits), a.b (b 24 bits) and a (32 bits); after
// the address only white space may follow, and whatever comes after that is ignored, as the
// system's own parser does.
std::optional<uint32_t> parseDottedAddress(const std::string& text) noexcept {
    constexpr std::array<uint32_t, 4> kLastPartMax = {0xffffffffU, 0xffffffU, 0xffffU, 0xffU};
    std::array<uint8_t, 4> bytes{};
    size_t parts = 0;
    size_t position = 0;
    uint32_t value = 0;
    for (;;) {
        if (position >= text.size() || !isDigit(text[position])) {
            return std::nullopt;
        }
        const std::optional<uint32_t> part = parsePart(text, position);
        if (!part) {
            return std::nullopt;
        }
        value = *part;
        if (position >= text.size() || text[position] != '.') {
            break;
        }
        if (parts > 2 || value > 0xff) {
            return std::nullopt;
        }
        bytes[parts++] = static_cast<uint8_t>(value);
        ++position;
    }
    if (position < text.size() && !isSpace(text[position])) {
        return std::nullopt;
    }
    if (value > kLastPartMax[parts]) {
        return std::nullopt;
    }
    // The last part fills the bytes that the parts before it left, lowest byte last.
    for (size_t byte = bytes.size(); byte > parts; --byte) {
        bytes[byte - 1] = static_cast<uint8_t>(value);
        value >>= 8;
    }
    uint32_t networkOrder = 0;
    std::memcpy(&networkOrder, bytes.data(), sizeof networkOrder);
    return networkOrder;
}

// The resolver's own rule: a name of digits and dots that does not end in a dot is an address
// or nothing, never a name to ask a name server about.
bool digitsAndDots(const std::string& host) {
    const auto digitOrDot = [](char c) { return isDigit(c) || c == '.'; };
    return isDigit(host.front()) && host.back() != '.' &&
           std::all_of(host.begin(), host.end(), digitOrDot);
}

}  // namespace

HostText classifyHost(const std::string& host) {
    // A name with an embedded NUL would be cut short by the C calls and reach another host; an
    // empty one names no host at all.
    if (host.empty() || host.find('\0') != std::string::npos) {
        return {HostText::Kind::Invalid, 0};
    }
    if (const std::optional<uint32_t> address = parseDottedAddress(host)) {
        return {HostText::Kind::Address, *address};
    }
    if (digitsAndDots(host)) {
        return {HostText::Kind::Invalid, 0};
    }
    return {HostText::Kind::Name, 0};
}

int TimerPeriod(int32_t interval) noexcept {
    constexpr int kShortestPeriod = 10;
    if (interval < 0) {
        return INT_MAX;
    }
    return interval < kShortestPeriod ? kShortestPeriod : interval;
}

bool UnsentBytes::Keep(const char* bytes, size_t count) {
    if (m_bytes.size() + count > static_cast<size_t>(kMaxUnsentBytes)) {
        return false;
    }
    m_bytes.append(bytes, count);
    return true;
}

void UnsentBytes::Drop(size_t count) noexcept {
    m_bytes.erase(0, std::min(count, m_bytes.size()));
}

}  // namespace simple_tcp
