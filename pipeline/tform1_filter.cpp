#include <array>

#include "pipeline/group_filter.h"
#include "plugin/tform1_handlers.h"

namespace {

constexpr int kFirstMaskEntry = 32;

}  // namespace

bool TForm1Handlers::MaskMatch(const RdsGroupRecord& group, int32_t selector) {
    std::array<bool, group_filter::kMaskRows> switchedOn{};
    bool anyOn = false;
    if (selector == group_filter::kMaskSelector) {
        for (int n = 0; n < group_filter::kMaskRows; ++n) {
            switchedOn[static_cast<std::size_t>(n)] = m_ui.CLBSHOW->Checked(kFirstMaskEntry + n);
            anyOn = anyOn || switchedOn[static_cast<std::size_t>(n)];
        }
    }
    if (!anyOn) {
        return false;
    }
    const std::string groupBits = group_filter::GroupBitText(group);
    for (int row = 1; row <= group_filter::kMaskRows; ++row) {
        if (!switchedOn[static_cast<std::size_t>(row - 1)]) {
            continue;
        }
        const std::string b2 = group_filter::MaskCellBits(m_ui.SGMASK->CellText(row, 1));
        const std::string b3 = group_filter::MaskCellBits(m_ui.SGMASK->CellText(row, 2));
        const std::string b4 = group_filter::MaskCellBits(m_ui.SGMASK->CellText(row, 3));
        if (group_filter::MaskTextMatches(group_filter::MaskText({b2, b3, b4}), groupBits)) {
            return true;
        }
    }
    return false;
}

void TForm1Handlers::SGMASKKeyPress(EventSender sender, char16_t& key) {
    static_cast<void>(sender);
    const std::size_t length = group_filter::CharacterCount(m_ui.SGMASK->CurrentCellText());
    if (!group_filter::MaskKeyAccepted(length, key)) {
        key = 0;
    }
}

// A cell left shorter than a block is filled up with "?", which matches anything.
void TForm1Handlers::SGMASKExit(EventSender sender) {
    static_cast<void>(sender);
    for (int row = 1; row <= group_filter::kMaskRows; ++row) {
        for (int column = 1; column <= 3; ++column) {
            const std::string text = m_ui.SGMASK->CellText(row, column);
            const std::size_t length = group_filter::CharacterCount(text);
            if (length < group_filter::kBitsPerBlock) {
                m_ui.SGMASK->SetCellText(
                    row, column, text + std::string(group_filter::kBitsPerBlock - length, '?'));
            }
        }
    }
}
