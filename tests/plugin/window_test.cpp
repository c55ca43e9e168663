#include <gmock/gmock.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QStyleOptionViewItem>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "support/plugin_fixture.h"

namespace {

class PluginWindow : public PluginTest {};

TEST_F(PluginWindow, IsCreatedHiddenWithAFixedFrame) {
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "Tolvane");
    EXPECT_EQ(window->size(), QSize(417, 332));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    const QList<QSize> sizes = window->windowIcon().availableSizes();
    EXPECT_TRUE(sizes.contains(QSize(48, 48)));
    EXPECT_TRUE(sizes.contains(QSize(32, 32)));
    EXPECT_TRUE(sizes.contains(QSize(16, 16)));
    EXPECT_EQ(window->property("SectionName").toString(), "tolvane");
}

TEST_F(PluginWindow, HasEveryControlUnderItsName) {
    const char* names[] = {"PageControl1", "TabSheet1", "TabSheet2", "TabSheet3", "TabSheet4",
                           "StatusBar1",   "GroupBox5", "Label3",    "Label12",   "Label9",
                           "Label10",      "Label4",    "Label11",   "Label5",    "Label13",
                           "Label14",      "LR",        "LRPS",      "LE",        "LF",
                           "LW",           "LL",        "LS",        "LSPS",      "LSTART",
                           "Button1",      "GroupBox8", "CLBSHOW",   "GroupBox7", "SGMASK",
                           "GBMODEL",      "CBMODEL",   "RGCON",     "GroupBox1", "CBBIDI",
                           "CBLIMIT",      "GroupBox2", "CBCOMP",    "RGSPEED",   "GroupBox3",
                           "Label1",       "Label2",    "EHOST",     "EPORT",     "GroupBox4",
                           "CBKEEPPI",     "CBKEEPPTY", "CBKEEPTP",  "BUPDATE",   "BDISCON",
                           "GroupBox6",    "Label6",    "Label7",    "URLLink1",  "Label8"};
    for (const char* name : names) {
        EXPECT_NE(window->findChild<QWidget*>(QString::fromLatin1(name)), nullptr) << name;
    }
}

TEST_F(PluginWindow, StartsWithTheStatisticsTabAndInitialCaptions) {
    auto* pages = Find<QTabWidget>("PageControl1");
    ASSERT_EQ(pages->count(), 4);
    EXPECT_EQ(pages->currentIndex(), 0);
    EXPECT_EQ(pages->tabText(0), "Statistics");
    EXPECT_EQ(pages->tabText(1), "Group Filter");
    EXPECT_EQ(pages->tabText(2), "RDS Encoder");
    EXPECT_EQ(pages->tabText(3), "About");
    EXPECT_EQ(Find<QStatusBar>("StatusBar1")->currentMessage(), "Not connected");
    for (const char* name : {"LR", "LRPS", "LE", "LF", "LW", "LL", "LS", "LSPS"}) {
        EXPECT_EQ(Text(name), QString::fromLatin1(name));
    }
    EXPECT_EQ(Text("LSTART"), "0:00:00");
    EXPECT_EQ(Text("Label10"), "Groups discarded due to Group Filter:");
    EXPECT_EQ(Find<QPushButton>("Button1")->text(), "Clear");
    EXPECT_EQ(Find<QGroupBox>("GroupBox5")->geometry(), QRect(8, 8, 393, 265));
    EXPECT_EQ(Find<QLabel>("LSTART")->pos(), QPoint(208, 192));
}

TEST_F(PluginWindow, GroupFilterTabStartsUntickedWithLabelledGrid) {
    auto* list = Find<QListWidget>("CLBSHOW");
    ASSERT_EQ(list->count(), 35);
    EXPECT_EQ(list->item(0)->text(), "0A");
    EXPECT_EQ(list->item(31)->text(), "15B");
    EXPECT_EQ(list->item(34)->text(), "Mask 3");
    for (int i = 0; i < list->count(); ++i) {
        EXPECT_EQ(list->item(i)->checkState(), Qt::Unchecked) << i;
    }
    auto* grid = Find<QTableWidget>("SGMASK");
    ASSERT_EQ(grid->rowCount(), 4);
    ASSERT_EQ(grid->columnCount(), 4);
    const QStringList header{"Mask", "Block 2", "Block 3", "Block 4"};
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(grid->item(0, c)->text(), header.at(c));
        EXPECT_FALSE(grid->item(0, c)->flags().testFlag(Qt::ItemIsEditable));
    }
    for (int r = 1; r <= 3; ++r) {
        EXPECT_EQ(grid->item(r, 0)->text(), QString::number(r));
        for (int c = 1; c <= 3; ++c) {
            EXPECT_TRUE(grid->item(r, c)->text().isEmpty());
            EXPECT_TRUE(grid->item(r, c)->flags().testFlag(Qt::ItemIsEditable));
        }
    }
    EXPECT_EQ(grid->columnWidth(0), 36);
    EXPECT_EQ(grid->columnWidth(3), 111);
    EXPECT_EQ(grid->rowHeight(2), 19);
}

TEST_F(PluginWindow, EncoderTabStartsNotConnectedAt2400WithEveryBoxTicked) {
    auto* type = Find<QGroupBox>("RGCON");
    auto* speed = Find<QGroupBox>("RGSPEED");
    const auto typeButtons = type->findChildren<QRadioButton*>();
    const auto speedButtons = speed->findChildren<QRadioButton*>();
    ASSERT_EQ(typeButtons.size(), 3);
    ASSERT_EQ(speedButtons.size(), 5);
    EXPECT_EQ(typeButtons.at(2)->text(), "(not connected)");
    EXPECT_TRUE(typeButtons.at(2)->isChecked());
    EXPECT_EQ(speedButtons.at(1)->text(), "2400 bps");
    EXPECT_TRUE(speedButtons.at(1)->isChecked());
    for (const char* name : {"CBBIDI", "CBLIMIT", "CBKEEPPI", "CBKEEPPTY", "CBKEEPTP"}) {
        EXPECT_TRUE(Find<QCheckBox>(name)->isChecked()) << name;
    }
    auto* ports = Find<QComboBox>("CBCOMP");
    ASSERT_EQ(ports->count(), 255);
    EXPECT_EQ(ports->itemText(0), "COM1");
    EXPECT_EQ(ports->itemText(254), "COM255");
    EXPECT_EQ(ports->currentIndex(), -1);
    EXPECT_EQ(Find<QComboBox>("CBMODEL")->currentText(), "VELMAR8 / V108");
    EXPECT_EQ(Find<QLineEdit>("EHOST")->text(), "127.0.0.1");
    EXPECT_EQ(Find<QLineEdit>("EPORT")->text(), "23");
    // Shown top to bottom as PI, TP, PTY.
    EXPECT_LT(Find<QCheckBox>("CBKEEPTP")->y(), Find<QCheckBox>("CBKEEPPTY")->y());
}

TEST_F(PluginWindow, HostAndPortFieldsRefuseTextBeyondTheirLimits) {
    window->show();
    auto* port = Find<QLineEdit>("EPORT");
    port->clear();
    QTest::keyClicks(port, "123456");
    EXPECT_EQ(port->text(), "12345");
    auto* host = Find<QLineEdit>("EHOST");
    host->setText(QString(255, 'h'));
    host->end(false);
    QTest::keyClicks(host, "x");
    EXPECT_EQ(host->text().size(), 255);
}

TEST_F(PluginWindow, TimersRunAtTheirIntervalsFromCreation) {
    struct Expected {
        const char* name;
        int interval;
        bool active;
    };
    for (const Expected& e :
         {Expected{"TTimerSend", 70, true}, Expected{"TimerRxD", 5, true},
          Expected{"TCPCon", 30000, false}, Expected{"TimerPerSec", 2978, true}}) {
        auto* timer = window->findChild<QTimer*>(QString::fromLatin1(e.name));
        ASSERT_NE(timer, nullptr) << e.name;
        EXPECT_EQ(timer->interval(), e.interval) << e.name;
        EXPECT_EQ(timer->isActive(), e.active) << e.name;
        EXPECT_EQ(timer->timerType(), Qt::PreciseTimer) << e.name;
    }
}

TEST_F(PluginWindow, CloseOnlyHidesAndKeepsEverySetting) {
    plugin.Command("SHOW", 0);
    Tick(5);
    Find<QLineEdit>("EHOST")->setText("encoder.local");
    const HostGroupRecord group = Group(0x6204, 0x2C00, 0, 0);
    Send(group);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    // A close from the window system, as the close button sends it.
    window->windowHandle()->close();
    EXPECT_FALSE(window->isVisible());
    plugin.Command("SHOW", 0);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(Find<QListWidget>("CLBSHOW")->item(5)->checkState(), Qt::Checked);
    EXPECT_EQ(Find<QLineEdit>("EHOST")->text(), "encoder.local");
    EXPECT_EQ(Text("LW"), "1");
}

TEST_F(PluginWindow, ACloseAskedForByTheHostIsNotRefused) {
    plugin.Command("SHOW", 0);
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->testAttribute(Qt::WA_QuitOnClose));
    plugin.Command("SHOW", 0);
    EXPECT_TRUE(window->isVisible());
}

// Where a control's text does not fit the room it has: empty when it fits.
class CaptionCheck {
public:
    explicit CaptionCheck(QWidget* window) : m_window(window) {}

    QStringList Problems() {
        for (QWidget* widget : m_window->findChildren<QWidget*>()) {
            if (auto* label = qobject_cast<QLabel*>(widget)) {
                CheckLabel(label);
            } else if (auto* box = qobject_cast<QCheckBox*>(widget)) {
                CheckButton(box, QStyle::SE_CheckBoxContents, QStyle::SE_CheckBoxIndicator);
            } else if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
                CheckButton(radio, QStyle::SE_RadioButtonContents, QStyle::SE_RadioButtonIndicator);
            } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
                CheckPushButton(button);
            } else if (auto* frame = qobject_cast<QGroupBox*>(widget)) {
                CheckFrame(frame);
            } else if (auto* list = qobject_cast<QListWidget*>(widget)) {
                CheckList(list);
            }
        }
        return m_problems;
    }

private:
    static int TextWidth(const QWidget* widget, const QString& text) {
        return widget->fontMetrics().horizontalAdvance(text);
    }

    void Report(const QWidget* widget, const QString& text, const QString& what) {
        m_problems << QString("%1 \"%2\": %3").arg(widget->objectName(), text, what);
    }

    // A label needs its text's width and height, and a 4-pixel gap before a control that
    // starts to its right on the same row.
    void CheckLabel(QLabel* label) {
        const QRect text(label->pos(),
                         QSize(TextWidth(label, label->text()), label->fontMetrics().height()));
        if (label->width() < text.width() || label->height() < text.height()) {
            Report(label, label->text(), "cut off");
        }
        for (QWidget* other :
             label->parentWidget()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            const QRect room = other->geometry();
            if (other != label && room.left() > text.left() && room.top() < text.bottom() &&
                room.bottom() > text.top() && room.left() < text.right() + 1 + 4) {
                Report(label, label->text(), "runs into " + other->objectName());
            }
        }
    }

    void CheckButton(QAbstractButton* button, QStyle::SubElement contents,
                     QStyle::SubElement indicator) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const QRect room = button->style()->subElementRect(contents, &option, button);
        const QRect mark = button->style()->subElementRect(indicator, &option, button);
        if (room.width() < TextWidth(button, button->text()) + 2 ||
            room.height() < button->fontMetrics().height() || !button->rect().contains(mark)) {
            Report(button, button->text(), "cut off");
        }
    }

    void CheckPushButton(QPushButton* button) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        const QRect room =
            button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
        if (room.width() < TextWidth(button, button->text()) ||
            room.height() < button->fontMetrics().height()) {
            Report(button, button->text(), "cut off");
        }
    }

    void CheckFrame(QGroupBox* frame) {
        QStyleOptionGroupBox option;
        option.initFrom(frame);
        option.text = frame->title();
        option.subControls = QStyle::SC_GroupBoxLabel;
        const QRect room = frame->style()->subControlRect(QStyle::CC_GroupBox, &option,
                                                          QStyle::SC_GroupBoxLabel, frame);
        if (room.width() < TextWidth(frame, frame->title()) || !frame->rect().contains(room)) {
            Report(frame, frame->title(), "cut off");
        }
    }

    void CheckList(QListWidget* list) {
        list->doItemsLayout();
        for (int i = 0; i < list->count(); ++i) {
            const QModelIndex index = list->model()->index(i, 0);
            QStyleOptionViewItem option;
            option.initFrom(list->viewport());
            option.rect = list->visualRect(index);
            option.features =
                QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
            option.text = list->item(i)->text();
            option.font = list->font();
            option.fontMetrics = list->fontMetrics();
            const QRect mark =
                list->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, list);
            const QRect text =
                list->style()->subElementRect(QStyle::SE_ItemViewItemText, &option, list);
            if (!option.rect.contains(mark) || !list->viewport()->rect().contains(option.rect) ||
                text.width() < TextWidth(list, option.text)) {
                Report(list, option.text, "cut off");
            }
        }
    }

    QWidget* m_window;
    QStringList m_problems;
};

TEST_F(PluginWindow, EveryCaptionFitsItsControlWithTheShippedFonts) {
    plugin.Command("SHOW", 0);
    EXPECT_EQ(CaptionCheck(window).Problems().join("\n").toStdString(), "");
}

TEST_F(PluginWindow, AboutTabLinkOpensItsAddress) {
    auto* link = Find<QLabel>("URLLink1");
    ASSERT_NE(link, nullptr);
    EXPECT_TRUE(link->font().underline());
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(Text("Label6"), "Tolvane plugin");
    EXPECT_EQ(Text("Label7"), "Version 1.00");
}

}  // namespace

namespace {

class PluginWindowKeyboard : public PluginTest {
protected:
    // The controls of `page` that Tab visits, in order, starting from `first`.
    QStringList TabOrder(QWidget* page, QWidget* first) const {
        QStringList names;
        QWidget* w = first;
        for (int guard = 0; guard < 200; ++guard) {
            if (page->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) != 0 &&
                !w->objectName().isEmpty()) {
                if (names.contains(w->objectName())) {
                    break;
                }
                names << w->objectName();
            }
            w = w->nextInFocusChain();
        }
        return names;
    }
};

TEST_F(PluginWindowKeyboard, EncoderTabVisitsPiThenPtyThenTp) {
    QWidget* page = Find<QWidget>("TabSheet3");
    EXPECT_EQ(TabOrder(page, Find<QWidget>("CBMODEL")),
              (QStringList{"CBMODEL", "CBBIDI", "CBLIMIT", "CBCOMP", "EHOST", "EPORT", "CBKEEPPI",
                           "CBKEEPPTY", "CBKEEPTP", "BUPDATE", "BDISCON"}));
}

TEST_F(PluginWindowKeyboard, EachRadioGroupIsOneTabStopThatLandsOnItsSelectedItem) {
    plugin.Command("SHOW", 0);
    Find<QTabWidget>("PageControl1")->setCurrentIndex(2);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    const auto type = Find<QGroupBox>("RGCON")->findChildren<QRadioButton*>();
    const auto speed = Find<QGroupBox>("RGSPEED")->findChildren<QRadioButton*>();
    ASSERT_EQ(type.size(), 3);
    ASSERT_EQ(speed.size(), 5);
    Find<QWidget>("CBMODEL")->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), type.at(2));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), Find<QWidget>("CBBIDI"));

    Find<QWidget>("EHOST")->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), speed.at(1));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), speed.at(2));
    EXPECT_TRUE(speed.at(2)->isChecked());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), Find<QWidget>("EHOST"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), speed.at(2));
}

TEST_F(PluginWindowKeyboard, MaskGridComesBeforeTheGroupList) {
    QWidget* page = Find<QWidget>("TabSheet2");
    EXPECT_EQ(TabOrder(page, Find<QWidget>("SGMASK")), (QStringList{"SGMASK", "CLBSHOW"}));
}

TEST_F(PluginWindowKeyboard, LinkDropsItsUnderlineWhileTheMouseIsOverIt) {
    auto* link = Find<QLabel>("URLLink1");
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QCoreApplication::sendEvent(link, &enter);
    EXPECT_FALSE(link->font().underline());
    EXPECT_EQ(link->font().family(), window->font().family());
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(link, &leave);
    EXPECT_TRUE(link->font().underline());
}

}  // namespace

namespace {

class PluginWindowComponents : public PluginTest {};

TEST_F(PluginWindowComponents, LinksExistClosedUnderTheirNames) {
    QObject* serial = window->findChild<QObject*>("VaComm1");
    QObject* tcp = window->findChild<QObject*>("SimpleTCPClient1");
    ASSERT_NE(serial, nullptr);
    ASSERT_NE(tcp, nullptr);
    EXPECT_STREQ(serial->metaObject()->className(), "TVaComm");
    EXPECT_STREQ(tcp->metaObject()->className(), "TSimpleTCPClient");
    EXPECT_EQ(Find<QStatusBar>("StatusBar1")->currentMessage(), "Not connected");
}

}  // namespace
