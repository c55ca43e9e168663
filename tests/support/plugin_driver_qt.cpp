// The driver on Linux: tolvane.so through dlopen, its Qt window found by object names.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "plugin_library.h"
#include "support/plugin_driver.h"

namespace blackbox {

struct PluginDriver::Platform {
    PluginLibrary plugin;
    QWidget* window = nullptr;

    template <typename Widget>
    Widget* Find(const char* name) const {
        Widget* widget =
            window == nullptr ? nullptr : window->findChild<Widget*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << "no control named " << name;
        return widget;
    }
    QRadioButton* Item(const char* radioGroup, int index) const {
        auto* group = Find<QGroupBox>(radioGroup);
        const auto buttons =
            group == nullptr ? QList<QRadioButton*>() : group->findChildren<QRadioButton*>();
        EXPECT_TRUE(index >= 0 && index < buttons.size()) << radioGroup << " has no item " << index;
        return index >= 0 && index < buttons.size() ? buttons.at(index) : nullptr;
    }
};

PluginDriver::PluginDriver() : m_platform(std::make_unique<Platform>()) {}
PluginDriver::~PluginDriver() {
    Unload();
}

bool PluginDriver::Load() {
    m_platform->window = nullptr;
    return m_platform->plugin.Load(TOLVANE_PLUGIN_PATH);
}

void PluginDriver::Unload() {
    m_platform->window = nullptr;
    m_platform->plugin.Unload();
}

std::string PluginDriver::LoadError() const {
    return m_platform->plugin.Error();
}

const char* PluginDriver::PluginName() const {
    return m_platform->plugin.PluginName();
}

bool PluginDriver::Initialize(int32_t hostValue) {
    m_platform->window = static_cast<QWidget*>(m_platform->plugin.Initialize(0, hostValue));
    return m_platform->window != nullptr;
}

void PluginDriver::Command(const char* text, int32_t workspace) const {
    m_platform->plugin.Command(text, workspace);
}

void PluginDriver::RDSGroup(const GroupRecord& group) const {
    HostGroupRecord record{};
    std::copy(std::begin(group.fields), std::end(group.fields), std::begin(record.fields));
    m_platform->plugin.RDSGroup(&record);
}

std::string PluginDriver::Text(const char* name) const {
    QObject* control = m_platform->Find<QWidget>(name);
    if (auto* label = qobject_cast<QLabel*>(control)) {
        return label->text().toStdString();
    }
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        return edit->text().toStdString();
    }
    if (auto* status = qobject_cast<QStatusBar*>(control)) {
        return status->currentMessage().toStdString();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        return button->text().toStdString();
    }
    if (auto* frame = qobject_cast<QGroupBox*>(control)) {
        return frame->title().toStdString();
    }
    return {};
}

void PluginDriver::SetText(const char* name, const std::string& text) const {
    if (auto* edit = m_platform->Find<QLineEdit>(name)) {
        edit->setText(QString::fromStdString(text));
    }
}

bool PluginDriver::Enabled(const char* name) const {
    const auto* control = m_platform->Find<QWidget>(name);
    return control != nullptr && control->isEnabled();
}

void PluginDriver::Click(const char* name) const {
    if (auto* button = m_platform->Find<QAbstractButton>(name)) {
        button->click();
    }
}

bool PluginDriver::Ticked(const char* name) const {
    const auto* box = m_platform->Find<QCheckBox>(name);
    return box != nullptr && box->isChecked();
}

void PluginDriver::SetTicked(const char* name, bool ticked) const {
    if (auto* box = m_platform->Find<QCheckBox>(name)) {
        box->setChecked(ticked);
    }
}

int PluginDriver::SelectedItem(const char* radioGroup) const {
    auto* group = m_platform->Find<QGroupBox>(radioGroup);
    const auto buttons =
        group == nullptr ? QList<QRadioButton*>() : group->findChildren<QRadioButton*>();
    for (int i = 0; i < buttons.size(); ++i) {
        if (buttons.at(i)->isChecked()) {
            return i;
        }
    }
    return -1;
}

void PluginDriver::SelectItem(const char* radioGroup, int index) const {
    if (auto* button = m_platform->Item(radioGroup, index)) {
        button->click();
    }
}

int PluginDriver::ComboIndex(const char* name) const {
    const auto* combo = m_platform->Find<QComboBox>(name);
    return combo == nullptr ? -1 : combo->currentIndex();
}

void PluginDriver::SetComboIndex(const char* name, int index) const {
    if (auto* combo = m_platform->Find<QComboBox>(name)) {
        combo->setCurrentIndex(index);
    }
}

bool PluginDriver::GroupTicked(int item) const {
    const auto* list = m_platform->Find<QListWidget>("CLBSHOW");
    return list != nullptr && list->item(item) != nullptr &&
           list->item(item)->checkState() == Qt::Checked;
}

void PluginDriver::TickGroup(int item, bool ticked) const {
    auto* list = m_platform->Find<QListWidget>("CLBSHOW");
    if (list != nullptr && list->item(item) != nullptr) {
        list->item(item)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    }
}

std::string PluginDriver::MaskCell(int row, int column) const {
    const auto* grid = m_platform->Find<QTableWidget>("SGMASK");
    const auto* cell = grid == nullptr ? nullptr : grid->item(row, column);
    return cell == nullptr ? std::string() : cell->text().toStdString();
}

void PluginDriver::SetMaskCell(int row, int column, const std::string& text) const {
    auto* grid = m_platform->Find<QTableWidget>("SGMASK");
    if (auto* cell = grid == nullptr ? nullptr : grid->item(row, column)) {
        cell->setText(QString::fromStdString(text));
    }
}

bool PluginDriver::Visible() const {
    return m_platform->window != nullptr && m_platform->window->isVisible();
}

std::pair<int, int> PluginDriver::Position() const {
    const QWidget* window = m_platform->window;
    return window == nullptr ? std::pair{0, 0} : std::pair{window->x(), window->y()};
}

void PluginDriver::Move(int left, int top) const {
    if (m_platform->window != nullptr) {
        m_platform->window->move(left, top);
    }
}

// A precise 1 ms timer wakes the loop, so that the plug-in's own timers are served on time
// while the condition is checked.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer check;
    check.setTimerType(Qt::PreciseTimer);
    bool result = done();
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        result = done();
        if (result || clock.elapsed() >= timeout.count()) {
            loop.quit();
        }
    });
    if (!result) {
        check.start(1);
        loop.exec();
    }
    return result;
}

void PumpFor(std::chrono::milliseconds period) {
    PumpUntil([] { return false; }, period);
}

void KeepSocketLayerUp() {}

int RunAsHost(int argc, char** argv, const std::function<int()>& body) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    return body();
}

struct LoopLatencyProbe::Platform {
    QObject receiver;
    std::atomic<bool> stop{false};
    std::atomic<int> pending{0};
    std::vector<int64_t>* latenciesUs = nullptr;
    std::thread poster;
};

LoopLatencyProbe::LoopLatencyProbe() : m_platform(std::make_unique<Platform>()) {
    Platform* probe = m_platform.get();
    probe->latenciesUs = &m_latenciesUs;
    probe->poster = std::thread([probe] {
        while (!probe->stop) {
            const int64_t posted = NowUs();
            ++probe->pending;
            QMetaObject::invokeMethod(
                &probe->receiver,
                [probe, posted] {
                    probe->latenciesUs->push_back(NowUs() - posted);
                    --probe->pending;
                },
                Qt::QueuedConnection);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
}

LoopLatencyProbe::~LoopLatencyProbe() {
    Stop();
}

void LoopLatencyProbe::Stop() {
    if (m_platform->poster.joinable()) {
        m_platform->stop = true;
        m_platform->poster.join();
        PumpUntil([this] { return m_platform->pending == 0; }, std::chrono::seconds(5));
    }
}

}  // namespace blackbox
