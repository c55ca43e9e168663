#include "plugin/workspace_rules.h"

#include <algorithm>
#include <cstring>

namespace workspace {

namespace {

constexpr int kFirstMaskItem = 32;

// Group types 0A, 0B, 2A, 2B, 4A and 15B are left out until the user picks them.
constexpr std::array<int, 6> kGroupTypesOffByDefault = {0, 1, 4, 5, 8, 31};

bool IsUtf8Continuation(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0U) == 0x80U;
}

// The length of the well-formed UTF-8 character at the start of the text, or 0 when the text
// does not start with one. The lowest and highest second byte of each lead byte follow the
// table of well-formed byte sequences in the Unicode standard (chapter 3, table 3-7).
std::size_t Utf8CharacterLength(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned lead = byte(0);
    if (lead < 0x80U) {
        return 1;
    }
    const std::size_t length = lead >= 0xC2U && lead <= 0xDFU   ? 2
                               : lead >= 0xE0U && lead <= 0xEFU ? 3
                               : lead >= 0xF0U && lead <= 0xF4U ? 4
                                                                : 0;
    if (length == 0 || text.size() < length) {
        return 0;
    }
    const unsigned low = lead == 0xE0U ? 0xA0U : lead == 0xF0U ? 0x90U : 0x80U;
    const unsigned high = lead == 0xEDU ? 0x9FU : lead == 0xF4U ? 0x8FU : 0xBFU;
    if (byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (!IsUtf8Continuation(text[i])) {
            return 0;
        }
    }
    return length;
}

// Windows-1252 for the bytes 0x80 to 0x9F; the unassigned ones keep their own number.
constexpr std::array<char16_t, 32> kWindows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& text, char32_t c) {
    if (c < 0x80) {
        text.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        text.push_back(static_cast<char>(0xC0 | (c >> 6)));
        text.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        text.push_back(static_cast<char>(0xE0 | (c >> 12)));
        text.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

char32_t Windows1252(unsigned char byte) {
    return byte >= 0x80U && byte <= 0x9FU ? kWindows1252High[byte - 0x80U] : char32_t{byte};
}

}  // namespace

std::string GroupItemKey(int item) {
    return "RebroadcastGroup" + std::to_string(item);
}

bool GroupItemDefault(int item) {
    if (item < 0 || item >= kFirstMaskItem) {
        return false;
    }
    return std::find(kGroupTypesOffByDefault.begin(), kGroupTypesOffByDefault.end(), item) ==
           kGroupTypesOffByDefault.end();
}

std::string MaskKey(int mask, int block) {
    return "Mask" + std::to_string(mask) + std::to_string(block);
}

int RadioItemIndex(int32_t stored, int itemCount) {
    if (stored < 0) {
        return -1;
    }
    return std::min(static_cast<int>(stored), itemCount - 1);
}

int PortItemIndex(int32_t stored) {
    return stored >= 0 && stored < kSerialPortCount ? static_cast<int>(stored) : -1;
}

bool IsUtf8(std::string_view text) {
    while (!text.empty()) {
        const std::size_t length = Utf8CharacterLength(text);
        if (length == 0) {
            return false;
        }
        text.remove_prefix(length);
    }
    return true;
}

std::string DisplayText(std::string_view stored) {
    if (IsUtf8(stored)) {
        return std::string(stored);
    }
    std::string text;
    text.reserve(stored.size() * 2);
    for (const char byte : stored) {
        AppendUtf8(text, Windows1252(static_cast<unsigned char>(byte)));
    }
    return text;
}

std::string_view FirstCharacters(std::string_view stored, std::size_t count) {
    if (!IsUtf8(stored)) {
        return stored.substr(0, count);
    }
    std::size_t end = 0;
    for (std::size_t taken = 0; taken < count && end < stored.size(); ++taken) {
        end += Utf8CharacterLength(stored.substr(end));
    }
    return stored.substr(0, end);
}

void CopyToSettingsBuffer(std::string_view text, SettingsBuffer& buffer) {
    std::size_t length = std::min(text.size(), buffer.size() - 1);
    if (length < text.size() && IsUtf8(text)) {
        while (length > 0 && IsUtf8Continuation(text[length])) {
            --length;
        }
    }
    std::memcpy(buffer.data(), text.data(), length);
    buffer[length] = '\0';
}

std::string TextToSave(std::string_view current, const std::optional<RestoredText>& restored) {
    if (restored && restored->shown == current) {
        return restored->stored;
    }
    return std::string(current);
}

}  // namespace workspace
