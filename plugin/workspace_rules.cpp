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

void CopyToSettingsBuffer(std::string_view text, SettingsBuffer& buffer) {
    std::size_t length = std::min(text.size(), buffer.size() - 1);
    if (length < text.size()) {
        while (length > 0 && IsUtf8Continuation(text[length])) {
            --length;
        }
    }
    std::memcpy(buffer.data(), text.data(), length);
    buffer[length] = '\0';
}

}  // namespace workspace
