#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "plugin/window_placement.h"

// What the window's handlers need of its controls, timers and the system, as plain C++ that
// each toolkit implements over its own widgets. Every text that crosses these interfaces is
// UTF-8; a toolkit whose controls speak another encoding converts at its side. Bytes that are
// not UTF-8 (texts restored from a workspace written by an 8-bit host) never reach a control
// as they are: the handlers turn them into UTF-8 for display (workspace::DisplayText) and
// keep the original bytes themselves, so no byte is lost on the way back.
namespace ui {

// Who raised an event: a control, timer or link of the toolkit, by identity only. Handlers
// never look into it.
using EventSender = const void*;

class Control {
public:
    virtual ~Control() = default;
};

class Label : public Control {
public:
    virtual void SetText(std::string_view text) = 0;
};

class Button : public Control {
public:
    virtual void SetEnabled(bool enabled) = 0;
};

class TickBox : public Control {
public:
    virtual bool Checked() const = 0;
    virtual void SetChecked(bool checked) = 0;
};

// A one-line text field with a typing limit.
class Edit : public Control {
public:
    virtual std::string Text() const = 0;
    // A text longer than the typing limit is cut to it.
    virtual void SetText(std::string_view text) = 0;
    virtual void SetMaxLength(int length) = 0;
    // The length of `text` in the units the typing limit counts.
    virtual int LengthOf(std::string_view text) const = 0;
};

// A drop-down list; item -1 is no selection.
class Combo : public Control {
public:
    virtual int ItemIndex() const = 0;
    virtual void SetItemIndex(int index) = 0;
};

// A group of radio buttons; item -1 is no selection, and so is any index outside the items.
class RadioGroup : public Control {
public:
    virtual int ItemIndex() const = 0;
    virtual void SetItemIndex(int index) = 0;
    virtual int Count() const = 0;
};

// A list of items with tick boxes.
class CheckList : public Control {
public:
    virtual int Count() const = 0;
    // An item outside the list counts as not ticked.
    virtual bool Checked(int item) const = 0;
    virtual void SetChecked(int item, bool checked) = 0;
};

// A grid of text cells. A cell outside the grid reads as empty and ignores writes.
class Grid : public Control {
public:
    virtual std::string CellText(int row, int column) const = 0;
    virtual void SetCellText(int row, int column, std::string_view text) = 0;
    // The text of the cell with the caret, empty when there is none.
    virtual std::string CurrentCellText() const = 0;
};

// A repeating timer on the window's thread, in the manner of a window timer.
class Timer : public Control {
public:
    virtual bool Active() const = 0;
    // Starts the timer, or starts its period anew when it runs.
    virtual void Start() = 0;
    virtual void Stop() = 0;
    virtual int Interval() const = 0;
    // Sets the period in milliseconds. A running timer starts its period anew, even when the
    // value is the one it had: use SetIntervalIfChanged where that is not meant.
    virtual void SetInterval(int milliseconds) = 0;
};

// Changes a timer's period only when it differs, so that a running timer keeps its phase.
inline void SetIntervalIfChanged(Timer& timer, int milliseconds) {
    if (timer.Interval() != milliseconds) {
        timer.SetInterval(milliseconds);
    }
}

class StatusLine : public Control {
public:
    virtual std::string Text() const = 0;
    virtual void SetText(std::string_view text) = 0;
};

// The top-level window itself.
class Window : public Control {
public:
    virtual bool Visible() const = 0;
    virtual void SetVisible(bool visible) = 0;
    virtual bool Minimized() const = 0;
    // Shows a minimized window in its normal size again.
    virtual void Restore() = 0;
    // Raises the window above the others and gives it the keyboard.
    virtual void BringToFront() = 0;
    // The outer rectangle, frame included, in screen pixels.
    virtual ScreenRect Frame() const = 0;
    virtual void MoveTo(int32_t left, int32_t top) = 0;
    // The monitors of the desktop; none while the system has no screen.
    virtual std::optional<ScreenLayout> Screens() const = 0;
};

// What the handlers take from the system for the texts they show.
class System : public Control {
public:
    // The current local date and time, short date then long time, in the user's formats.
    virtual std::string LocalDateAndTimeText() const = 0;
    // The user's decimal separator.
    virtual std::string DecimalSeparator() const = 0;
};

}  // namespace ui
