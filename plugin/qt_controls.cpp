#include "plugin/qt_controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>

#include "plugin/widgets.h"

namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToUtf8(const QString& text) {
    return text.toUtf8().toStdString();
}

ScreenRect ToScreenRect(const QRect& rect) {
    return {rect.left(), rect.top(), rect.width(), rect.height()};
}

class QtLabel : public ui::Label {
public:
    explicit QtLabel(QLabel* label) : m_label(label) {}
    void SetText(std::string_view text) override { m_label->setText(FromUtf8(text)); }

private:
    QLabel* m_label;
};

class QtButton : public ui::Button {
public:
    explicit QtButton(QPushButton* button) : m_button(button) {}
    void SetEnabled(bool enabled) override { m_button->setEnabled(enabled); }

private:
    QPushButton* m_button;
};

class QtTickBox : public ui::TickBox {
public:
    explicit QtTickBox(QCheckBox* box) : m_box(box) {}
    bool Checked() const override { return m_box->isChecked(); }
    void SetChecked(bool checked) override { m_box->setChecked(checked); }

private:
    QCheckBox* m_box;
};

class QtEdit : public ui::Edit {
public:
    explicit QtEdit(QLineEdit* edit) : m_edit(edit) {}
    std::string Text() const override { return ToUtf8(m_edit->text()); }
    void SetText(std::string_view text) override { m_edit->setText(FromUtf8(text)); }
    void SetMaxLength(int length) override { m_edit->setMaxLength(length); }
    // QLineEdit counts UTF-16 units.
    int LengthOf(std::string_view text) const override {
        return static_cast<int>(FromUtf8(text).size());
    }

private:
    QLineEdit* m_edit;
};

class QtCombo : public ui::Combo {
public:
    explicit QtCombo(QComboBox* combo) : m_combo(combo) {}
    int ItemIndex() const override { return m_combo->currentIndex(); }
    void SetItemIndex(int index) override { m_combo->setCurrentIndex(index); }

private:
    QComboBox* m_combo;
};

class QtRadioGroup : public ui::RadioGroup {
public:
    explicit QtRadioGroup(TRadioGroup* group) : m_group(group) {}
    int ItemIndex() const override { return m_group->ItemIndex(); }
    void SetItemIndex(int index) override { m_group->SetItemIndex(index); }
    int Count() const override { return m_group->Count(); }

private:
    TRadioGroup* m_group;
};

class QtCheckList : public ui::CheckList {
public:
    explicit QtCheckList(QListWidget* list) : m_list(list) {}
    int Count() const override { return m_list->count(); }
    bool Checked(int item) const override {
        const QListWidgetItem* entry = m_list->item(item);
        return entry != nullptr && entry->checkState() == Qt::Checked;
    }
    void SetChecked(int item, bool checked) override {
        if (QListWidgetItem* entry = m_list->item(item)) {
            entry->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
        }
    }

private:
    QListWidget* m_list;
};

class QtGrid : public ui::Grid {
public:
    explicit QtGrid(QTableWidget* grid) : m_grid(grid) {}
    std::string CellText(int row, int column) const override {
        const QTableWidgetItem* cell = m_grid->item(row, column);
        return cell == nullptr ? std::string() : ToUtf8(cell->text());
    }
    void SetCellText(int row, int column, std::string_view text) override {
        if (QTableWidgetItem* cell = m_grid->item(row, column)) {
            cell->setText(FromUtf8(text));
        }
    }
    std::string CurrentCellText() const override {
        const QTableWidgetItem* cell = m_grid->currentItem();
        return cell == nullptr ? std::string() : ToUtf8(cell->text());
    }

private:
    QTableWidget* m_grid;
};

class QtTimer : public ui::Timer {
public:
    explicit QtTimer(QTimer* timer) : m_timer(timer) {}
    bool Active() const override { return m_timer->isActive(); }
    void Start() override { m_timer->start(); }
    void Stop() override { m_timer->stop(); }
    int Interval() const override { return m_timer->interval(); }
    void SetInterval(int milliseconds) override { m_timer->setInterval(milliseconds); }

private:
    QTimer* m_timer;
};

class QtStatusLine : public ui::StatusLine {
public:
    explicit QtStatusLine(QStatusBar* bar) : m_bar(bar) {}
    std::string Text() const override { return ToUtf8(m_bar->currentMessage()); }
    void SetText(std::string_view text) override { m_bar->showMessage(FromUtf8(text)); }

private:
    QStatusBar* m_bar;
};

class QtWindow : public ui::Window {
public:
    explicit QtWindow(QWidget* window) : m_window(window) {}
    bool Visible() const override { return m_window->isVisible(); }
    void SetVisible(bool visible) override { m_window->setVisible(visible); }
    bool Minimized() const override { return m_window->isMinimized(); }
    void Restore() override { m_window->showNormal(); }
    void BringToFront() override {
        m_window->raise();
        m_window->activateWindow();
    }
    ScreenRect Frame() const override {
        const QSize size = m_window->frameGeometry().size();
        return {m_window->x(), m_window->y(), size.width(), size.height()};
    }
    void MoveTo(int32_t left, int32_t top) override { m_window->move(left, top); }
    std::optional<ScreenLayout> Screens() const override;

private:
    QWidget* m_window;
};

std::optional<ScreenLayout> QtWindow::Screens() const {
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary == nullptr) {
        return std::nullopt;
    }
    ScreenLayout layout{
        ToScreenRect(primary->virtualGeometry()), {}, ToScreenRect(primary->geometry())};
    for (const QScreen* screen : QGuiApplication::screens()) {
        layout.monitors.push_back(ToScreenRect(screen->geometry()));
    }
    return layout;
}

class QtSystem : public ui::System {
public:
    std::string LocalDateAndTimeText() const override {
        const QLocale locale = QLocale::system();
        const QDateTime now = QDateTime::currentDateTime();
        return ToUtf8(locale.toString(now.date(), QLocale::ShortFormat) + QChar(u' ') +
                      locale.toString(now.time(), QLocale::LongFormat));
    }
    std::string DecimalSeparator() const override {
        return ToUtf8(QLocale::system().decimalPoint());
    }
};

}  // namespace

namespace qt_controls {

template <typename Adapter, typename Widget>
Adapter* Adapters::Keep(Widget* widget) {
    auto adapter = std::make_unique<Adapter>(widget);
    Adapter* kept = adapter.get();
    m_adapters.push_back(std::move(adapter));
    return kept;
}

ui::Label* Adapters::Adapt(QLabel* label) {
    return Keep<QtLabel>(label);
}
ui::Button* Adapters::Adapt(QPushButton* button) {
    return Keep<QtButton>(button);
}
ui::TickBox* Adapters::Adapt(QCheckBox* box) {
    return Keep<QtTickBox>(box);
}
ui::Edit* Adapters::Adapt(QLineEdit* edit) {
    return Keep<QtEdit>(edit);
}
ui::Combo* Adapters::Adapt(QComboBox* combo) {
    return Keep<QtCombo>(combo);
}
ui::RadioGroup* Adapters::Adapt(TRadioGroup* group) {
    return Keep<QtRadioGroup>(group);
}
ui::CheckList* Adapters::Adapt(QListWidget* list) {
    return Keep<QtCheckList>(list);
}
ui::Grid* Adapters::Adapt(QTableWidget* grid) {
    return Keep<QtGrid>(grid);
}
ui::Timer* Adapters::Adapt(QTimer* timer) {
    return Keep<QtTimer>(timer);
}
ui::StatusLine* Adapters::Adapt(QStatusBar* bar) {
    return Keep<QtStatusLine>(bar);
}
ui::Window* Adapters::AdaptWindow(QWidget* window) {
    return Keep<QtWindow>(window);
}
ui::System* Adapters::System() {
    auto adapter = std::make_unique<QtSystem>();
    ui::System* kept = adapter.get();
    m_adapters.push_back(std::move(adapter));
    return kept;
}

}  // namespace qt_controls
