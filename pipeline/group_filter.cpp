#include "pipeline/group_filter.h"

#include <algorithm>

namespace group_filter {

std::string OverwriteAt(std::string_view base, std::string_view insert, int position) {
    insert = insert.substr(0, std::min<std::size_t>(insert.size(), kBitsPerBlock));
    const auto baseLength = static_cast<long>(base.size());
    const auto insertLength = static_cast<long>(insert.size());
    const long head = std::clamp<long>(position - 1L, 0L, baseLength);
    const long tail = std::clamp<long>(baseLength - position - insertLength + 1L, 0L, baseLength);

    std::string result;
    result.reserve(static_cast<std::size_t>(head + insertLength + tail));
    result.append(base.substr(0, static_cast<std::size_t>(head)));
    result.append(insert);
    result.append(base.substr(static_cast<std::size_t>(baseLength - tail)));
    return result;
}

namespace {

void AppendBlockBits(std::string& text, int32_t block) {
    if (!IsValidBlock(block)) {
        text.append(kBitsPerBlock, '-');
        return;
    }
    for (int bit = kBitsPerBlock - 1; bit >= 0; --bit) {
        text.push_back(((block >> bit) & 1) != 0 ? '1' : '0');
    }
}

bool IsSignificant(char maskChar) {
    return maskChar == '0' || maskChar == '1' || maskChar == '-';
}

}  // namespace

std::string GroupBitText(const RdsGroupRecord& group) {
    std::string text;
    text.reserve(kMaskTextLength);
    AppendBlockBits(text, group.Block2);
    AppendBlockBits(text, group.Block3);
    AppendBlockBits(text, group.Block4);
    return text;
}

std::string MaskText(const MaskCells& cells) {
    std::string text(kMaskTextLength, '?');
    text = OverwriteAt(text, cells[0], 1);
    text = OverwriteAt(text, cells[1], 1 + kBitsPerBlock);
    text = OverwriteAt(text, cells[2], 1 + 2 * kBitsPerBlock);
    return text;
}

bool MaskTextMatches(std::string_view maskText, std::string_view groupBitText) {
    const std::size_t length = std::min(maskText.size(), groupBitText.size());
    bool matches = true;
    for (std::size_t i = 0; i < length; ++i) {
        if (IsSignificant(maskText[i]) && maskText[i] != groupBitText[i]) {
            matches = false;
        }
    }
    return matches;
}

bool MaskRowMatches(const RdsGroupRecord& group, const MaskCells& cells) {
    return MaskTextMatches(MaskText(cells), GroupBitText(group));
}

namespace {

constexpr bool IsContinuationByte(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0U) == 0x80U;
}

}  // namespace

std::string MaskCellBits(std::string_view utf8Cell) {
    std::string bits;
    for (const char byte : utf8Cell) {
        if (static_cast<unsigned char>(byte) < 0x80U) {
            bits.push_back(byte);
        } else if (!IsContinuationByte(byte)) {
            bits.push_back('?');
        }
    }
    return bits;
}

std::size_t CharacterCount(std::string_view utf8Text) {
    std::size_t count = 0;
    for (const char byte : utf8Text) {
        count += IsContinuationByte(byte) ? 0 : 1;
    }
    return count;
}

}  // namespace group_filter
