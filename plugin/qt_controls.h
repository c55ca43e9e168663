#pragma once

#include <memory>
#include <vector>

#include "plugin/controls.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QStatusBar;
class QTableWidget;
class QTimer;
class QWidget;
class TRadioGroup;

// The seam's controls over Qt widgets: thin adapters that own nothing but themselves. The
// widgets keep their object names and their owner; an adapter lives as long as its widget.
namespace qt_controls {

class Adapters {
public:
    ui::Label* Adapt(QLabel* label);
    ui::Button* Adapt(QPushButton* button);
    ui::TickBox* Adapt(QCheckBox* box);
    ui::Edit* Adapt(QLineEdit* edit);
    ui::Combo* Adapt(QComboBox* combo);
    ui::RadioGroup* Adapt(TRadioGroup* group);
    ui::CheckList* Adapt(QListWidget* list);
    ui::Grid* Adapt(QTableWidget* grid);
    ui::Timer* Adapt(QTimer* timer);
    ui::StatusLine* Adapt(QStatusBar* bar);
    ui::Window* AdaptWindow(QWidget* window);
    ui::System* System();

private:
    template <typename Adapter, typename Widget>
    Adapter* Keep(Widget* widget);

    std::vector<std::unique_ptr<ui::Control>> m_adapters;
};

}  // namespace qt_controls
