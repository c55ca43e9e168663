#include "plugin/win32/win32_controls.h"

#include <commctrl.h>

namespace win32_controls {

HINSTANCE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

std::wstring Widen(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
    return wide;
}

std::string Narrow(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, narrow.data(), length, nullptr, nullptr);
    return narrow;
}

std::string WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return Narrow(text);
}

void UpdateRadioTabStop(const std::vector<HWND>& buttons) {
    std::size_t stop = 0;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (SendMessageW(buttons[i], BM_GETCHECK, 0, 0) == BST_CHECKED) {
            stop = i;
            break;
        }
    }
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        LONG_PTR style = GetWindowLongPtrW(buttons[i], GWL_STYLE);
        style = i == stop ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP);
        SetWindowLongPtrW(buttons[i], GWL_STYLE, style);
    }
}

Win32Timer::Win32Timer(HWND owner, UINT_PTR id, int milliseconds)
    : m_owner(owner), m_id(id), m_interval(milliseconds) {}

Win32Timer::~Win32Timer() {
    Stop();
}

// SetTimer with the id of a running timer replaces it, which starts its period anew.
void Win32Timer::Start() {
    m_active =
        SetTimer(m_owner, m_id, static_cast<UINT>(m_interval < 0 ? 0 : m_interval), nullptr) != 0;
}

void Win32Timer::Stop() {
    if (m_active) {
        KillTimer(m_owner, m_id);
        m_active = false;
    }
}

void Win32Timer::SetInterval(int milliseconds) {
    m_interval = milliseconds;
    if (m_active) {
        Start();
    }
}

void Win32Timer::Tick() {
    if (m_active && m_onTimer) {
        m_onTimer();
    }
}

namespace {

class Win32Label : public ui::Label {
public:
    explicit Win32Label(HWND label) : m_label(label) {}
    void SetText(std::string_view text) override { SetWindowTextW(m_label, Widen(text).c_str()); }

private:
    HWND m_label;
};

class Win32Button : public ui::Button {
public:
    explicit Win32Button(HWND button) : m_button(button) {}
    void SetEnabled(bool enabled) override { EnableWindow(m_button, enabled ? TRUE : FALSE); }

private:
    HWND m_button;
};

class Win32TickBox : public ui::TickBox {
public:
    explicit Win32TickBox(HWND box) : m_box(box) {}
    bool Checked() const override { return SendMessageW(m_box, BM_GETCHECK, 0, 0) == BST_CHECKED; }
    void SetChecked(bool checked) override {
        SendMessageW(m_box, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    }

private:
    HWND m_box;
};

// An edit control counts its limit in UTF-16 units, and WM_SETTEXT does not keep to it.
class Win32Edit : public ui::Edit {
public:
    explicit Win32Edit(HWND edit) : m_edit(edit) {}
    std::string Text() const override { return WindowText(m_edit); }
    void SetText(std::string_view text) override {
        std::wstring wide = Widen(text);
        const auto limit = static_cast<std::size_t>(SendMessageW(m_edit, EM_GETLIMITTEXT, 0, 0));
        if (wide.size() > limit) {
            // Never keeps half of a surrogate pair.
            const bool splitsPair = limit > 0 && IS_HIGH_SURROGATE(wide[limit - 1]);
            wide.resize(splitsPair ? limit - 1 : limit);
        }
        SetWindowTextW(m_edit, wide.c_str());
    }
    void SetMaxLength(int length) override {
        SendMessageW(m_edit, EM_LIMITTEXT, static_cast<WPARAM>(length < 1 ? 1 : length), 0);
    }
    int LengthOf(std::string_view text) const override {
        return static_cast<int>(Widen(text).size());
    }

private:
    HWND m_edit;
};

class Win32Combo : public ui::Combo {
public:
    explicit Win32Combo(HWND combo) : m_combo(combo) {}
    int ItemIndex() const override {
        return static_cast<int>(SendMessageW(m_combo, CB_GETCURSEL, 0, 0));
    }
    // An index outside the items clears the selection. Windows does so for CB_SETCURSEL with
    // such an index, but not every implementation does: the adapter asks for -1 itself.
    void SetItemIndex(int index) override {
        const auto count = static_cast<int>(SendMessageW(m_combo, CB_GETCOUNT, 0, 0));
        const int item = index >= 0 && index < count ? index : -1;
        SendMessageW(m_combo, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
    }

private:
    HWND m_combo;
};

// The checked button is the group's one tab stop; with none checked, the first one is.
class Win32RadioGroup : public ui::RadioGroup {
public:
    explicit Win32RadioGroup(std::vector<HWND> buttons) : m_buttons(std::move(buttons)) {
        UpdateTabStop();
    }
    int ItemIndex() const override {
        for (std::size_t i = 0; i < m_buttons.size(); ++i) {
            if (SendMessageW(m_buttons[i], BM_GETCHECK, 0, 0) == BST_CHECKED) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }
    void SetItemIndex(int index) override {
        for (std::size_t i = 0; i < m_buttons.size(); ++i) {
            const bool checked = index >= 0 && static_cast<std::size_t>(index) == i;
            SendMessageW(m_buttons[i], BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        UpdateTabStop();
    }
    int Count() const override { return static_cast<int>(m_buttons.size()); }

private:
    void UpdateTabStop() { UpdateRadioTabStop(m_buttons); }

    std::vector<HWND> m_buttons;
};

class Win32CheckList : public ui::CheckList {
public:
    explicit Win32CheckList(HWND list) : m_list(list) {}
    int Count() const override { return ListView_GetItemCount(m_list); }
    bool Checked(int item) const override {
        return Contains(item) && ListView_GetCheckState(m_list, item) != 0;
    }
    void SetChecked(int item, bool checked) override {
        if (Contains(item)) {
            ListView_SetCheckState(m_list, item, checked ? TRUE : FALSE);
        }
    }

private:
    bool Contains(int item) const { return item >= 0 && item < Count(); }

    HWND m_list;
};

class Win32StatusLine : public ui::StatusLine {
public:
    explicit Win32StatusLine(HWND bar) : m_bar(bar) {}
    std::string Text() const override {
        const auto length = LOWORD(SendMessageW(m_bar, SB_GETTEXTLENGTHW, 0, 0));
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        SendMessageW(m_bar, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text.data()));
        text.resize(length);
        return Narrow(text);
    }
    void SetText(std::string_view text) override {
        const std::wstring wide = Widen(text);
        SendMessageW(m_bar, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    }

private:
    HWND m_bar;
};

}  // namespace
}  // namespace win32_controls

namespace win32_controls {
namespace {

class Win32Grid : public ui::Grid {
public:
    explicit Win32Grid(HWND grid) : m_grid(grid) {}
    std::string CellText(int row, int column) const override {
        return Narrow(GridCellText(m_grid, row, column));
    }
    void SetCellText(int row, int column, std::string_view text) override {
        SetGridCellText(m_grid, row, column, Widen(text));
    }
    std::string CurrentCellText() const override {
        const POINT cell = GridCurrentCell(m_grid);
        return Narrow(GridCellText(m_grid, cell.y, cell.x));
    }

private:
    HWND m_grid;
};

ScreenRect ToScreenRect(const RECT& rect) {
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

BOOL CALLBACK AddMonitor(HMONITOR, HDC, LPRECT rect, LPARAM layout) {
    reinterpret_cast<ScreenLayout*>(layout)->monitors.push_back(ToScreenRect(*rect));
    return TRUE;
}

class Win32Window : public ui::Window {
public:
    explicit Win32Window(HWND window) : m_window(window) {}
    bool Visible() const override { return IsWindowVisible(m_window) != FALSE; }
    void SetVisible(bool visible) override { ShowWindow(m_window, visible ? SW_SHOW : SW_HIDE); }
    bool Minimized() const override { return IsIconic(m_window) != FALSE; }
    void Restore() override { ShowWindow(m_window, SW_RESTORE); }
    void BringToFront() override {
        SetWindowPos(m_window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        SetForegroundWindow(m_window);
    }
    ScreenRect Frame() const override {
        RECT frame{};
        GetWindowRect(m_window, &frame);
        return ToScreenRect(frame);
    }
    void MoveTo(int32_t left, int32_t top) override {
        SetWindowPos(m_window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    std::optional<ScreenLayout> Screens() const override {
        ScreenLayout layout;
        EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&layout));
        if (layout.monitors.empty()) {
            return std::nullopt;
        }
        layout.virtualDesktop = {
            GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
            GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN)};
        MONITORINFO primary{};
        primary.cbSize = sizeof primary;
        GetMonitorInfoW(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &primary);
        layout.primary = ToScreenRect(primary.rcMonitor);
        return layout;
    }

private:
    HWND m_window;
};

std::string LocaleText(int length, const std::function<int(wchar_t*, int)>& fill) {
    if (length <= 0) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    const int written = fill(text.data(), length);
    text.resize(written > 0 ? static_cast<std::size_t>(written - 1) : 0);
    return Narrow(text);
}

class Win32System : public ui::System {
public:
    std::string LocalDateAndTimeText() const override {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        const auto date = [&](wchar_t* text, int length) {
            return GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, text, length);
        };
        const auto time = [&](wchar_t* text, int length) {
            return GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &now, nullptr, text, length);
        };
        return LocaleText(date(nullptr, 0), date) + " " + LocaleText(time(nullptr, 0), time);
    }
    std::string DecimalSeparator() const override {
        const auto separator = [](wchar_t* text, int length) {
            return GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, text, length);
        };
        return LocaleText(separator(nullptr, 0), separator);
    }
};

}  // namespace

template <typename Adapter, typename... Args>
Adapter* Adapters::Keep(Args&&... args) {
    auto adapter = std::make_unique<Adapter>(std::forward<Args>(args)...);
    Adapter* kept = adapter.get();
    m_adapters.push_back(std::move(adapter));
    return kept;
}

ui::Label* Adapters::Label(HWND label) {
    return Keep<Win32Label>(label);
}
ui::Button* Adapters::Button(HWND button) {
    return Keep<Win32Button>(button);
}
ui::TickBox* Adapters::TickBox(HWND box) {
    return Keep<Win32TickBox>(box);
}
ui::Edit* Adapters::Edit(HWND edit) {
    return Keep<Win32Edit>(edit);
}
ui::Combo* Adapters::Combo(HWND combo) {
    return Keep<Win32Combo>(combo);
}
ui::RadioGroup* Adapters::RadioGroup(std::vector<HWND> buttons) {
    return Keep<Win32RadioGroup>(std::move(buttons));
}
ui::CheckList* Adapters::CheckList(HWND listView) {
    return Keep<Win32CheckList>(listView);
}
ui::Grid* Adapters::Grid(HWND grid) {
    return Keep<Win32Grid>(grid);
}
ui::StatusLine* Adapters::StatusLine(HWND statusBar) {
    return Keep<Win32StatusLine>(statusBar);
}
ui::Window* Adapters::Window(HWND window) {
    return Keep<Win32Window>(window);
}
ui::System* Adapters::System() {
    return Keep<Win32System>();
}

}  // namespace win32_controls
