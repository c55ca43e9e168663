#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
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

// Typing limits of the host and port fields; a restored text may be longer than the port's.
inline constexpr int kHostTypingLimit = 255;
inline constexpr int kPortTypingLimit = 5;
// A restored host or port text goes into its field whole up to this many characters.
inline constexpr std::size_t kMaxRestoredCharacters = 255;

// Stored texts are 8-bit and kept byte for byte. One that is well-formed UTF-8 (no overlong
// form, no surrogate, nothing above U+10FFFF) reads as UTF-8; any other reads one character
// per byte as Windows-1252, the code page of the 8-bit hosts that wrote such texts.
bool IsUtf8(std::string_view text);
// The stored text as the window shows it, in UTF-8. The five bytes that Windows-1252 leaves
// unassigned show as the control characters of the same number.
std::string DisplayText(std::string_view stored);
// The stored bytes of the text's first `count` characters in its own reading.
std::string_view FirstCharacters(std::string_view stored, std::size_t count);

// A text restored into a field: the stored bytes, and the text the field was given to show
// for them.
struct RestoredText {
    std::string stored;
    std::string shown;
};
// What a field that now shows `current` (UTF-8) saves. While it still shows the text it was
// restored with, that is the stored bytes, so that a text that is not UTF-8 survives a restore
// and a save unchanged; an edited text is saved as UTF-8.
std::string TextToSave(std::string_view current, const std::optional<RestoredText>& restored);

// A text handed to the settings library travels in a 256-byte buffer, so it keeps at most
// 255 bytes. A longer UTF-8 text is cut before the character that would not fit whole; any
// other text, being one character per byte, is cut at 255 bytes.
inline constexpr std::size_t kSettingsBufferSize = 256;
using SettingsBuffer = std::array<char, kSettingsBufferSize>;
void CopyToSettingsBuffer(std::string_view text, SettingsBuffer& buffer);

}  // namespace workspace
