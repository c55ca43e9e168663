#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The keys, defaults and restore rules of the settings that the window keeps in the host's
// workspace.
namespace workspace {

// Items of the group-type list: 32 group types, then the three masks.
inline constexpr int kGroupItemCount = 35;
inline constexpr int kMaskCount = 3;
inline constexpr int kFirstMaskBlock = 2;
inline constexpr int kLastMaskBlock = 4;
inline constexpr int kSerialPortCount = 255;
inline constexpr char kDefaultMaskText[] = "????????????????";

// "RebroadcastGroup" and the item number in decimal.
std::string GroupItemKey(int item);
// Whether the item is ticked when its key is absent.
bool GroupItemDefault(int item);
// "Mask", the mask number, then the block number: "Mask12" ... "Mask34".
std::string MaskKey(int mask, int block);

// A stored tick or visibility: only exactly 1 counts as set.
constexpr bool IsSet(int32_t stored) {
    return stored == 1;
}
// A radio group's item: below zero selects none, beyond the last item selects the last.
int RadioItemIndex(int32_t stored, int itemCount);
// The serial port list's item: anything outside the list selects none.
int PortItemIndex(int32_t stored);

// A text handed to the settings library travels in a 256-byte buffer, so it keeps at most
// 255 bytes. A longer UTF-8 text is cut before the character that would not fit whole.
inline constexpr std::size_t kSettingsBufferSize = 256;
using SettingsBuffer = std::array<char, kSettingsBufferSize>;
void CopyToSettingsBuffer(std::string_view text, SettingsBuffer& buffer);

}  // namespace workspace
