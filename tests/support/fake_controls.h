#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "plugin/controls.h"

// Controls of the window seam without a toolkit: plain state that a test sets and reads, and
// counts of the calls whose number matters.
namespace test_support {

class FakeLabel : public ui::Label {
public:
    void SetText(std::string_view text) override { text_ = text; }
    std::string text_;
};

class FakeButton : public ui::Button {
public:
    void SetEnabled(bool enabled) override { enabled_ = enabled; }
    bool enabled_ = true;
};

class FakeTickBox : public ui::TickBox {
public:
    bool Checked() const override { return checked_; }
    void SetChecked(bool checked) override { checked_ = checked; }
    bool checked_ = true;
};

class FakeEdit : public ui::Edit {
public:
    std::string Text() const override { return text_; }
    void SetText(std::string_view text) override { text_ = text; }
    void SetMaxLength(int length) override { maxLength_ = length; }
    int LengthOf(std::string_view text) const override { return static_cast<int>(text.size()); }
    std::string text_;
    int maxLength_ = 32767;
};

class FakeCombo : public ui::Combo {
public:
    int ItemIndex() const override { return index_; }
    void SetItemIndex(int index) override { index_ = index; }
    int index_ = -1;
};

class FakeRadioGroup : public ui::RadioGroup {
public:
    explicit FakeRadioGroup(int count) : count_(count) {}
    int ItemIndex() const override { return index_; }
    void SetItemIndex(int index) override { index_ = index >= 0 && index < count_ ? index : -1; }
    int Count() const override { return count_; }
    int count_;
    int index_ = -1;
};

class FakeCheckList : public ui::CheckList {
public:
    int Count() const override { return 35; }
    bool Checked(int item) const override { return ticked_.contains(item) && ticked_.at(item); }
    void SetChecked(int item, bool checked) override { ticked_[item] = checked; }
    std::map<int, bool> ticked_;
};

class FakeGrid : public ui::Grid {
public:
    std::string CellText(int row, int column) const override {
        const auto cell = cells_.find({row, column});
        return cell == cells_.end() ? std::string() : cell->second;
    }
    void SetCellText(int row, int column, std::string_view text) override {
        cells_[{row, column}] = text;
    }
    std::string CurrentCellText() const override {
        return CellText(current_.first, current_.second);
    }
    std::map<std::pair<int, int>, std::string> cells_;
    std::pair<int, int> current_{-1, -1};
};

// Counts what a real timer would take as a new start of its period.
class FakeTimer : public ui::Timer {
public:
    bool Active() const override { return active_; }
    void Start() override {
        active_ = true;
        ++periodStarts_;
    }
    void Stop() override { active_ = false; }
    int Interval() const override { return interval_; }
    void SetInterval(int milliseconds) override {
        interval_ = milliseconds;
        periodStarts_ += active_ ? 1 : 0;
    }
    bool active_ = false;
    int interval_ = 0;
    int periodStarts_ = 0;
};

class FakeStatusLine : public ui::StatusLine {
public:
    std::string Text() const override { return text_; }
    void SetText(std::string_view text) override {
        text_ = text;
        ++writes_;
    }
    std::string text_;
    int writes_ = 0;
};

class FakeWindow : public ui::Window {
public:
    bool Visible() const override { return visible_; }
    void SetVisible(bool visible) override { visible_ = visible; }
    bool Minimized() const override { return minimized_; }
    void Restore() override { minimized_ = false; }
    void BringToFront() override { ++broughtToFront_; }
    ScreenRect Frame() const override { return frame_; }
    void MoveTo(int32_t left, int32_t top) override {
        frame_.left = left;
        frame_.top = top;
    }
    std::optional<ScreenLayout> Screens() const override { return screens_; }
    bool visible_ = false;
    bool minimized_ = false;
    int broughtToFront_ = 0;
    ScreenRect frame_{63, 185, 417, 332};
    std::optional<ScreenLayout> screens_;
};

class FakeSystem : public ui::System {
public:
    std::string LocalDateAndTimeText() const override { return now_; }
    std::string DecimalSeparator() const override { return separator_; }
    std::string now_ = "09.12.2026 16:30:00";
    std::string separator_ = ",";
};

}  // namespace test_support
