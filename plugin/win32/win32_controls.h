#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/controls.h"

// The window's controls on Win32. Texts cross the seam as UTF-8 and reach the controls as
// UTF-16 through the W calls, so that no character is lost to the ANSI code page.
namespace win32_controls {

// The module that holds this code (the DLL when built into one): window classes belong to it,
// so that they go with it when it is unloaded and a reloaded copy registers its own.
HINSTANCE ThisModule();

std::wstring Widen(std::string_view text);
std::string Narrow(std::wstring_view text);
// The whole text of a window, as UTF-8.
std::string WindowText(HWND window);

// Gives the checked button of a radio group the group's one tab stop, or the first button when
// none is checked. Called again whenever the user checks another button.
void UpdateRadioTabStop(const std::vector<HWND>& buttons);

// A repeating window timer of `owner`, identified there by `id`. The owner's procedure hands
// WM_TIMER with that id to Tick(), which calls the handler only while the timer runs, so that
// a WM_TIMER already queued when the timer stopped is not delivered. Periods below the
// system's minimum (10 ms) run at the minimum.
class Win32Timer : public ui::Timer {
public:
    Win32Timer(HWND owner, UINT_PTR id, int milliseconds);
    ~Win32Timer() override;
    Win32Timer(const Win32Timer&) = delete;
    Win32Timer& operator=(const Win32Timer&) = delete;

    bool Active() const override { return m_active; }
    void Start() override;
    void Stop() override;
    int Interval() const override { return m_interval; }
    void SetInterval(int milliseconds) override;

    UINT_PTR Id() const { return m_id; }
    void SetOnTimer(std::function<void()> onTimer) { m_onTimer = std::move(onTimer); }
    void Tick();

private:
    HWND m_owner;
    UINT_PTR m_id;
    int m_interval;
    bool m_active = false;
    std::function<void()> m_onTimer;
};

// The mask grid's events: a typed character the handler may change or swallow (set to 0), and
// the caret leaving the grid.
struct GridEvents {
    std::function<void(char16_t& key)> keyPress;
    std::function<void()> exit;
};

// A grid of text cells drawn by its own window class; the first row and column are fixed
// headers, the others take typed characters at the end of the current cell.
HWND CreateGrid(HWND parent, int rows, std::vector<int> columnWidths, int rowHeight, RECT place);
void SetGridEvents(HWND grid, GridEvents events);
// Unregisters the grid's window class; fails harmlessly while a grid still exists.
void UnregisterGridClass();
// A cell outside the grid reads as empty and ignores writes.
std::wstring GridCellText(HWND grid, int row, int column);
void SetGridCellText(HWND grid, int row, int column, std::wstring text);
// The cell with the caret as {column, row}; {-1, -1} when there is none.
POINT GridCurrentCell(HWND grid);
// The cells by message, for a program that holds only the window handle (a host, or a test
// that drives the DLL) and must not reach into the grid's memory. lParam points to a
// GridCellRequest. kGridGetCell copies at most size - 1 characters of the cell and a zero into
// text and returns the cell's whole length; kGridSetCell sets the cell to the zero-terminated
// text and returns 1. A cell outside the grid reads as empty, ignores writes and returns 0.
struct GridCellRequest {
    int row;
    int column;
    wchar_t* text;
    int size;
};
constexpr UINT kGridGetCell = WM_USER + 1;
constexpr UINT kGridSetCell = WM_USER + 2;

// Owns the adapters of a window's controls; each pointer it returns lives as long as it.
class Adapters {
public:
    ui::Label* Label(HWND label);
    ui::Button* Button(HWND button);
    ui::TickBox* TickBox(HWND box);
    ui::Edit* Edit(HWND edit);
    ui::Combo* Combo(HWND combo);
    ui::RadioGroup* RadioGroup(std::vector<HWND> buttons);
    ui::CheckList* CheckList(HWND listView);
    ui::Grid* Grid(HWND grid);
    ui::StatusLine* StatusLine(HWND statusBar);
    ui::Window* Window(HWND window);
    ui::System* System();

private:
    template <typename Adapter, typename... Args>
    Adapter* Keep(Args&&... args);

    std::vector<std::unique_ptr<ui::Control>> m_adapters;
};

}  // namespace win32_controls
