#include "plugin/widgets.h"

#include <QButtonGroup>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <algorithm>

TRadioGroup::TRadioGroup(const QString& title, const QStringList& items, QWidget* parent)
    : QGroupBox(title, parent), m_group(new QButtonGroup(this)) {
    constexpr int kLeft = 8;
    constexpr int kTop = 18;
    constexpr int kRowHeight = 17;
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items.at(i), this);
        button->setGeometry(kLeft, kTop + i * kRowHeight, 105, kRowHeight);
        m_group->addButton(button, i);
        m_buttons.append(button);
    }
    connect(m_group, &QButtonGroup::idToggled, this, [this] { UpdateTabStop(); });
    UpdateTabStop();
}

void TRadioGroup::UpdateTabStop() {
    // Tab reaches the group once, at its checked item (the first when none is); the arrow keys
    // move within the group, whatever the other items' focus policy.
    const int stop = std::max(ItemIndex(), 0);
    for (int i = 0; i < Count(); ++i) {
        m_buttons.at(i)->setFocusPolicy(i == stop ? Qt::StrongFocus : Qt::ClickFocus);
    }
}

int TRadioGroup::ItemIndex() const {
    return m_group->checkedId();
}

void TRadioGroup::SetItemIndex(int index) {
    if (index >= 0 && index < Count()) {
        m_buttons.at(index)->setChecked(true);
        return;
    }
    // An exclusive group refuses to uncheck its checked button, so lift the rule for a moment.
    m_group->setExclusive(false);
    for (QRadioButton* button : m_buttons) {
        button->setChecked(false);
    }
    m_group->setExclusive(true);
}

TCheckListStyle::TCheckListStyle(int indicatorSize, QObject* owner)
    : m_indicatorSize(indicatorSize) {
    setParent(owner);
}

int TCheckListStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                                 const QWidget* widget) const {
    if (metric == PM_IndicatorWidth || metric == PM_IndicatorHeight) {
        return m_indicatorSize;
    }
    return QProxyStyle::pixelMetric(metric, option, widget);
}

TURLLink::TURLLink(const QString& text, const QUrl& url, QWidget* parent)
    : QLabel(text, parent),
      m_url(url),
      m_opener([](const QUrl& u) { QDesktopServices::openUrl(u); }) {
    setCursor(Qt::PointingHandCursor);
    ApplyNormalLook();
}

void TURLLink::ApplyNormalLook() {
    QFont linkFont = font();
    linkFont.setUnderline(true);
    setFont(linkFont);
    QPalette look = palette();
    look.setColor(QPalette::WindowText, Qt::blue);
    setPalette(look);
}

void TURLLink::ApplyHoverLook() {
    QFont hoverFont = font();
    hoverFont.setUnderline(false);
    setFont(hoverFont);
    QPalette look = palette();
    look.setColor(QPalette::WindowText, look.color(QPalette::Base));
    setPalette(look);
}

void TURLLink::enterEvent(QEnterEvent* event) {
    ApplyHoverLook();
    QLabel::enterEvent(event);
}

void TURLLink::leaveEvent(QEvent* event) {
    ApplyNormalLook();
    QLabel::leaveEvent(event);
}

void TURLLink::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
        m_opener) {
        m_opener(m_url);
    }
    QLabel::mouseReleaseEvent(event);
}

namespace {

bool IsFixedCell(const QModelIndex& index) {
    return index.row() == 0 || index.column() == 0;
}

}  // namespace

TMaskGridDelegate::TMaskGridDelegate(KeyFilter keyFilter, TabOut tabOut, QObject* parent)
    : QStyledItemDelegate(parent), m_keyFilter(std::move(keyFilter)), m_tabOut(std::move(tabOut)) {}

QWidget* TMaskGridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                         const QModelIndex& index) const {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
        line->setFrame(false);
        // The cell follows the editor at every change, so the filter always reads what is typed.
        connect(line, &QLineEdit::textEdited, this,
                [this, line] { emit const_cast<TMaskGridDelegate*>(this)->commitData(line); });
    }
    return editor;
}

void TMaskGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    const QRect r = option.rect;
    if (IsFixedCell(index)) {
        painter->fillRect(r, option.palette.button());
        // Header cells take no input, but their text is not greyed out.
        painter->setPen(option.palette.color(QPalette::Active, QPalette::ButtonText));
        painter->drawText(r.adjusted(2, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter,
                          index.data(Qt::DisplayRole).toString());
        painter->setPen(option.palette.color(QPalette::Mid));
        painter->drawLine(r.topRight(), r.bottomRight());
    } else {
        QStyledItemDelegate::paint(painter, option, index);
        painter->setPen(option.palette.color(QPalette::Mid));
    }
    painter->drawLine(r.bottomLeft(), r.bottomRight());
}

bool TMaskGridDelegate::eventFilter(QObject* object, QEvent* event) {
    auto* editor = qobject_cast<QWidget*>(object);
    if (event->type() == QEvent::Show) {
        // The view selects the whole text when it opens an editor, so that one key would
        // replace the cell; a mask is edited a character at a time, from its end.
        if (auto* line = qobject_cast<QLineEdit*>(object)) {
            line->deselect();
            line->end(false);
        }
    }
    if (editor != nullptr && event->type() == QEvent::KeyPress) {
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        const bool plainTab =
            (keyEvent->key() == Qt::Key_Tab || keyEvent->key() == Qt::Key_Backtab) &&
            (keyEvent->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) == 0;
        if (plainTab) {
            emit commitData(editor);
            emit closeEditor(editor, QAbstractItemDelegate::NoHint);
            if (m_tabOut) {
                m_tabOut(keyEvent->key() == Qt::Key_Tab &&
                         (keyEvent->modifiers() & Qt::ShiftModifier) == 0);
            }
            return true;
        }
        // Delete reports a character of its own here, but it edits rather than types.
        const bool typed = !keyEvent->text().isEmpty() && keyEvent->key() != Qt::Key_Delete;
        if (typed && m_keyFilter) {
            char16_t key = keyEvent->text().at(0).unicode();
            m_keyFilter(key);
            if (key == 0) {
                return true;
            }
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}
