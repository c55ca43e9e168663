#include <QListWidget>
#include <QTableWidget>
#include <array>

#include "pipeline/group_filter.h"
#include "plugin/tform1.h"

namespace {

constexpr int kFirstMaskEntry = 32;

// One byte per character, so a character outside Latin-1 still fills exactly one position.
std::string CellText(const QTableWidget* grid, int row, int column) {
    const QTableWidgetItem* cell = grid->item(row, column);
    return cell == nullptr ? std::string() : cell->text().toLatin1().toStdString();
}

}  // namespace

bool TForm1::MaskMatch(const RdsGroupRecord& group, int32_t selector) {
    std::array<bool, group_filter::kMaskRows> switchedOn{};
    bool anyOn = false;
    if (selector == group_filter::kMaskSelector) {
        for (int n = 0; n < group_filter::kMaskRows; ++n) {
            const QListWidgetItem* entry = CLBSHOW->item(kFirstMaskEntry + n);
            switchedOn[static_cast<std::size_t>(n)] =
                entry != nullptr && entry->checkState() == Qt::Checked;
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
        const std::string b2 = CellText(SGMASK, row, 1);
        const std::string b3 = CellText(SGMASK, row, 2);
        const std::string b4 = CellText(SGMASK, row, 3);
        if (group_filter::MaskTextMatches(group_filter::MaskText({b2, b3, b4}), groupBits)) {
            return true;
        }
    }
    return false;
}

void TForm1::SGMASKKeyPress(QObject* sender, char16_t& key) {
    static_cast<void>(sender);
    const QTableWidgetItem* cell = SGMASK->currentItem();
    const auto length = cell == nullptr ? 0 : static_cast<std::size_t>(cell->text().size());
    if (!group_filter::MaskKeyAccepted(length, key)) {
        key = 0;
    }
}

void TForm1::SGMASKExit(QObject* sender) {
    static_cast<void>(sender);
    for (int row = 1; row <= group_filter::kMaskRows; ++row) {
        for (int column = 1; column <= 3; ++column) {
            QTableWidgetItem* cell = SGMASK->item(row, column);
            if (cell != nullptr && cell->text().size() < group_filter::kBitsPerBlock) {
                cell->setText(cell->text().leftJustified(group_filter::kBitsPerBlock, u'?'));
            }
        }
    }
}
