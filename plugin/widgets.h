#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QProxyStyle>
#include <QStringList>
#include <QStyledItemDelegate>
#include <QUrl>
#include <functional>

class QButtonGroup;
class QRadioButton;

// A titled frame of radio buttons addressed by item index; -1 selects none. The group is one
// stop of the keyboard order.
class TRadioGroup : public QGroupBox {
    Q_OBJECT

public:
    TRadioGroup(const QString& title, const QStringList& items, QWidget* parent);

    int ItemIndex() const;
    // Selects the item; an index outside the items selects none.
    void SetItemIndex(int index);
    int Count() const { return static_cast<int>(m_buttons.size()); }
    QRadioButton* Button(int index) const { return m_buttons.at(index); }

private:
    void UpdateTabStop();

    QButtonGroup* m_group;
    QList<QRadioButton*> m_buttons;
};

// The application's style with tick boxes of a given size, for a check list whose rows are
// lower than the style's own tick boxes. Owned by `owner`.
class TCheckListStyle : public QProxyStyle {
    Q_OBJECT

public:
    TCheckListStyle(int indicatorSize, QObject* owner);

    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override;

private:
    int m_indicatorSize;
};

// A label that shows a web address as a link, changes its font while the mouse is over it
// and asks the desktop to open the address when clicked.
class TURLLink : public QLabel {
    Q_OBJECT

public:
    TURLLink(const QString& text, const QUrl& url, QWidget* parent);

    const QUrl& Url() const { return m_url; }
    void SetOpener(std::function<void(const QUrl&)> opener) { m_opener = std::move(opener); }

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void ApplyNormalLook();
    void ApplyHoverLook();

    QUrl m_url;
    std::function<void(const QUrl&)> m_opener;
};

// Edits the mask grid: fixed header cells, a line editor that opens with the caret at the end
// of the text and writes every change into its cell at once, a key filter for typed
// characters, and Tab that leaves the grid.
class TMaskGridDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using KeyFilter = std::function<void(char16_t& key)>;
    using TabOut = std::function<void(bool forward)>;

    TMaskGridDelegate(KeyFilter keyFilter, TabOut tabOut, QObject* parent);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    KeyFilter m_keyFilter;
    TabOut m_tabOut;
};
