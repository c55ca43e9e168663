// The mask cells a user types (or a workspace restores) against groups.
// Property: the filter's answer equals a direct reading of the rule: within the first 16
// characters of each cell, "1" and "0" must meet that bit of a valid block, "-" an invalid
// block, and any other character matches anything.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "pipeline/group_filter.h"

namespace {

bool CellMatches(std::string_view cell, int32_t block) {
    const bool valid = block >= 0 && block <= 0xFFFF;
    for (std::size_t k = 0; k < cell.size() && k < 16; ++k) {
        const char c = cell[k];
        if (c == '-' && valid) {
            return false;
        }
        if ((c == '0' || c == '1') && (!valid || ((block >> (15 - k)) & 1) != (c - '0'))) {
            return false;
        }
    }
    return true;
}

}  // namespace

// Input: six bytes of blocks 2 to 4 (a block whose high byte is 0xFF is invalid), then the
// three cells separated by newlines.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 6) {
        return 0;
    }
    std::array<int32_t, 3> blocks{};
    for (std::size_t b = 0; b < 3; ++b) {
        blocks[b] = data[2 * b] == 0xFF ? -1 : (data[2 * b] << 8 | data[2 * b + 1]);
    }
    std::string_view rest(reinterpret_cast<const char*>(data + 6), size - 6);
    std::array<std::string_view, 3> cells{};
    for (std::string_view& cell : cells) {
        const std::size_t end = rest.find('\n');
        cell = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    }
    const RdsGroupRecord group{0, 0, 0, 0, blocks[0], blocks[1], blocks[2]};
    const bool expected = CellMatches(cells[0], blocks[0]) && CellMatches(cells[1], blocks[1]) &&
                          CellMatches(cells[2], blocks[2]);
    if (group_filter::MaskRowMatches(group, cells) != expected) {
        std::abort();
    }
    return 0;
}
