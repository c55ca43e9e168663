#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "pipeline/rds_group_record.h"

// The binary masks of the group filter. A mask row has one text cell per block 2, 3 and 4;
// character k of a cell tests bit 16 - k of its block: "1" and "0" test the bit, "-" asks for
// an invalid block, any other character matches anything. Only the first 16 characters count.
namespace group_filter {

inline constexpr int kBitsPerBlock = 16;
inline constexpr int kMaskTextLength = 3 * kBitsPerBlock;
inline constexpr int kMaskRows = 3;
inline constexpr int kMaskSelector = 6;  // the only selector for which the mask entries count
inline constexpr std::string_view kEmptyCellText = "????????????????";
inline constexpr char16_t kBackspace = 8;

using MaskCells = std::array<std::string_view, 3>;  // the cells for blocks 2, 3 and 4

// The first (position - 1) characters of the base, the insert (at most its first 16
// characters), then the rest of the base after the insert's span. Laid over a 48-character
// base at position 1, 17 or 33, the result is again 48 characters long.
std::string OverwriteAt(std::string_view base, std::string_view insert, int position);

// Blocks 2 to 4 as 48 characters: "0"/"1" per bit, most significant first, or 16 "-" for an
// invalid block.
std::string GroupBitText(const RdsGroupRecord& group);

// The mask row laid over 48 "?" characters at positions 1, 17 and 33.
std::string MaskText(const MaskCells& cells);

// True unless a "1", "0" or "-" of the mask text meets a different character of the group text.
bool MaskTextMatches(std::string_view maskText, std::string_view groupBitText);

// One switched-on mask row against one group.
bool MaskRowMatches(const RdsGroupRecord& group, const MaskCells& cells);

// A cell's text, in UTF-8, as the mask reads it: one character per position, and every
// character outside ASCII as "?", which matches anything.
std::string MaskCellBits(std::string_view utf8Cell);
// How many characters a UTF-8 text holds: a mask position is a character, not a byte.
std::size_t CharacterCount(std::string_view utf8Text);

// Whether a key typed into a mask cell that holds `cellLength` characters may pass.
constexpr bool MaskKeyAccepted(std::size_t cellLength, char16_t key) {
    return cellLength <= 15 || key == kBackspace;
}

}  // namespace group_filter
