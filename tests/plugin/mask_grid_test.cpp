#include <gmock/gmock.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

#include "support/plugin_fixture.h"

namespace {

class PluginMaskGrid : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        plugin.Command("SHOW", 0);
        Find<QTabWidget>("PageControl1")->setCurrentIndex(1);
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        grid = Find<QTableWidget>("SGMASK");
    }

    // Opens the cell editor as a click on the cell would and returns it.
    QLineEdit* Edit(int row, int column) {
        grid->setFocus();
        grid->setCurrentCell(row, column);
        QApplication::processEvents();
        auto* editor = grid->findChild<QLineEdit*>();
        if (editor == nullptr) {
            grid->editItem(grid->item(row, column));
            editor = grid->findChild<QLineEdit*>();
        }
        if (editor != nullptr) {
            editor->end(false);
        }
        EXPECT_NE(editor, nullptr);
        return editor;
    }

    QString Cell(int row, int column) const { return grid->item(row, column)->text(); }

    QTableWidget* grid = nullptr;
};

TEST_F(PluginMaskGrid, TypingStopsAtSixteenCharactersButBackspaceWorks) {
    QLineEdit* editor = Edit(1, 1);
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, "0101010101010101");
    EXPECT_EQ(Cell(1, 1), "0101010101010101");
    QTest::keyClicks(editor, "1");
    EXPECT_EQ(Cell(1, 1), "0101010101010101");
    QTest::keyClick(editor, Qt::Key_Backspace);
    EXPECT_EQ(Cell(1, 1), "010101010101010");
    QTest::keyClicks(editor, "x");
    EXPECT_EQ(Cell(1, 1), "010101010101010x");
}

TEST_F(PluginMaskGrid, EveryTypedCharacterReachesTheCellAtOnce) {
    Tick(32);
    QLineEdit* editor = Edit(1, 3);
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, "1");
    Send(Group(0x6204, 0, 0, 0x8000));
    Send(Group(0x6204, 0, 0, 0x0001));
    EXPECT_EQ(Text("LW"), "1");
    EXPECT_EQ(Text("LF"), "1");
}

TEST_F(PluginMaskGrid, TabLeavesTheGridAndPadsShortCells) {
    grid->item(2, 3)->setText(QString(20, '1'));
    QLineEdit* editor = Edit(1, 2);
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, "01");
    QTest::keyClick(editor, Qt::Key_Tab);
    QApplication::processEvents();
    EXPECT_FALSE(grid->isAncestorOf(QApplication::focusWidget()));
    EXPECT_EQ(QApplication::focusWidget(), Find<QListWidget>("CLBSHOW"));
    EXPECT_EQ(Cell(1, 2), "01??????????????");
    EXPECT_EQ(Cell(1, 1), "????????????????");
    EXPECT_EQ(Cell(2, 3), QString(20, '1'));
    EXPECT_EQ(Cell(0, 1), "Block 2");
    EXPECT_EQ(Cell(3, 0), "3");
}

TEST_F(PluginMaskGrid, ClickingAnotherControlAlsoCountsAsLeaving) {
    QLineEdit* editor = Edit(3, 3);
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, "1");
    Find<QListWidget>("CLBSHOW")->setFocus(Qt::MouseFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(Cell(3, 3), "1???????????????");
}

TEST_F(PluginMaskGrid, AClickPutsTheCaretAtTheEndOfTheCellWithNothingSelected) {
    SetMaskCell(1, 2, "01");
    const QRect cell = grid->visualRect(grid->model()->index(1, 2));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QApplication::processEvents();
    auto* editor = grid->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_FALSE(editor->hasSelectedText());
    EXPECT_EQ(editor->cursorPosition(), 2);
    QTest::keyClick(editor, Qt::Key_Backspace);
    EXPECT_EQ(Cell(1, 2), "0");
    QTest::keyClicks(editor, "1");
    EXPECT_EQ(Cell(1, 2), "01");
}

TEST_F(PluginMaskGrid, TypingIntoTheCurrentCellAppendsToItsText) {
    SetMaskCell(1, 1, "01");
    grid->setFocus();
    grid->setCurrentCell(1, 1);
    QApplication::processEvents();
    QTest::keyClicks(QApplication::focusWidget(), "1");
    EXPECT_EQ(Cell(1, 1), "011");
}

// U+1F600 is one character that takes two UTF-16 units.
const QString kEmoji = QString::fromUcs4(U"\U0001F600");

TEST_F(PluginMaskGrid, ACharacterOutsideTheSixteenBitRangeFillsOnePosition) {
    Tick(32);
    SetMaskCell(1, 3, kEmoji + "1");
    Send(Group(0x6204, 0, 0, 0x4000));
    EXPECT_EQ(Text("LW"), "1");
    Send(Group(0x6204, 0, 0, 0x2000));
    EXPECT_EQ(Text("LF"), "1");

    QLineEdit* editor = Edit(2, 1);
    ASSERT_NE(editor, nullptr);
    editor->setText(kEmoji + QString(14, '0'));
    grid->item(2, 1)->setText(editor->text());
    QTest::keyClicks(editor, "1");
    EXPECT_EQ(Cell(2, 1), kEmoji + QString(14, '0') + "1");
    QTest::keyClicks(editor, "1");
    EXPECT_EQ(Cell(2, 1), kEmoji + QString(14, '0') + "1");
    QTest::keyClick(editor, Qt::Key_Tab);
    EXPECT_EQ(Cell(1, 3), kEmoji + "1" + QString(14, '?'));
}

TEST_F(PluginMaskGrid, LongCellRefusesTypingUntilShortened) {
    grid->item(1, 1)->setText(QString(10000, '?'));
    QLineEdit* editor = Edit(1, 1);
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, "1");
    EXPECT_EQ(Cell(1, 1).size(), 10000);
    QTest::keyClick(editor, Qt::Key_Backspace);
    EXPECT_EQ(Cell(1, 1).size(), 9999);
}

}  // namespace
