#include <QListWidget>
#include <QTableWidget>
#include <array>

#include "pipeline/group_filter.h"
#include "plugin/tform1.h"

namespace {

constexpr int kFirstMaskEntry = 32;

// A mask position is a character, not a UTF-16 unit: a character outside the 16-bit range,
// stored as a surrogate pair, still takes one position.
int CharacterCount(const QString& text) {
    return static_cast<int>(text.toUcs4().size());
}

// One byte per character; every character outside ASCII becomes "?", which matches anything
// as any character but "0", "1" and "-" does.
std::string CellText(const QTableWidget* grid, int row, int column) {
    const QTableWidgetItem* cell = grid->item(row, column);
    std::string text;
    if (cell != nullptr) {
        for (const char32_t c : cell->text().toUcs4()) {
            text.push_back(c < 0x80 ? static_cast<char>(c) : '?');
        }
    }
    return text;
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
    const auto length =
        cell == nullptr ? 0 : static_cast<std::size_t>(CharacterCount(cell->text()));
    if (!group_filter::MaskKeyAccepted(length, key)) {
        key = 0;
    }
}

void TForm1::SGMASKExit(QObject* sender) {
    static_cast<void>(sender);
    for (int row = 1; row <= group_filter::kMaskRows; ++row) {
        for (int column = 1; column <= 3; ++column) {
            QTableWidgetItem* cell = SGMASK->item(row, column);
            const int length = cell == nullptr ? 0 : CharacterCount(cell->text());
            if (cell != nullptr && length < group_filter::kBitsPerBlock) {
                cell->setText(cell->text() + QString(group_filter::kBitsPerBlock - length, u'?'));
            }
        }
    }
}
