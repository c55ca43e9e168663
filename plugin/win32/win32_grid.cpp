#include <algorithm>
#include <exception>

#include "plugin/win32/win32_controls.h"

namespace win32_controls {
namespace {

constexpr wchar_t kGridClass[] = L"TolvaneGrid";

struct GridState {
    int rows = 0;
    std::vector<int> widths;
    int rowHeight = 0;
    std::vector<std::wstring> cells;
    POINT current{1, 1};
    GridEvents events;
    HFONT font = nullptr;

    int Columns() const { return static_cast<int>(widths.size()); }
    bool Contains(int row, int column) const {
        return row >= 0 && row < rows && column >= 0 && column < Columns();
    }
    std::wstring& Cell(int row, int column) {
        return cells[static_cast<std::size_t>(row * Columns() + column)];
    }
    RECT CellRect(int row, int column) const {
        int left = 0;
        for (int i = 0; i < column; ++i) {
            left += widths[static_cast<std::size_t>(i)] + 1;
        }
        const int top = row * (rowHeight + 1);
        return {left, top, left + widths[static_cast<std::size_t>(column)], top + rowHeight};
    }
};

GridState* StateOf(HWND grid) {
    return reinterpret_cast<GridState*>(GetWindowLongPtrW(grid, GWLP_USERDATA));
}

void Paint(HWND grid, GridState& state) {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(grid, &paint);
    RECT client{};
    GetClientRect(grid, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    const HGDIOBJ oldFont = state.font != nullptr ? SelectObject(dc, state.font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    const bool focused = GetFocus() == grid;
    for (int row = 0; row < state.rows; ++row) {
        for (int column = 0; column < state.Columns(); ++column) {
            RECT cell = state.CellRect(row, column);
            const bool fixed = row == 0 || column == 0;
            FillRect(dc, &cell, GetSysColorBrush(fixed ? COLOR_BTNFACE : COLOR_WINDOW));
            RECT text = {cell.left + 2, cell.top, cell.right - 2, cell.bottom};
            const std::wstring& value = state.Cell(row, column);
            DrawTextW(dc, value.c_str(), static_cast<int>(value.size()), &text,
                      DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
            if (focused && row == state.current.y && column == state.current.x) {
                DrawFocusRect(dc, &cell);
            }
        }
    }
    if (oldFont != nullptr) {
        SelectObject(dc, oldFont);
    }
    EndPaint(grid, &paint);
}

void Move(HWND grid, GridState& state, int rows, int columns) {
    const LONG row = state.current.y + rows;
    const LONG column = state.current.x + columns;
    if (row >= 1 && row < state.rows && column >= 1 && column < state.Columns()) {
        state.current = {column, row};
        InvalidateRect(grid, nullptr, FALSE);
    }
}

void Type(HWND grid, GridState& state, WPARAM typed) {
    auto key = static_cast<char16_t>(typed);
    if (state.events.keyPress) {
        state.events.keyPress(key);
    }
    std::wstring& cell = state.Cell(state.current.y, state.current.x);
    if (key == u'\b') {
        if (!cell.empty()) {
            cell.pop_back();
        }
    } else if (key >= u' ') {
        cell.push_back(static_cast<wchar_t>(key));
    }
    InvalidateRect(grid, nullptr, FALSE);
}

LRESULT HandleKey(HWND grid, GridState& state, WPARAM key) {
    switch (key) {
        case VK_LEFT:
            Move(grid, state, 0, -1);
            break;
        case VK_RIGHT:
            Move(grid, state, 0, 1);
            break;
        case VK_UP:
            Move(grid, state, -1, 0);
            break;
        case VK_DOWN:
            Move(grid, state, 1, 0);
            break;
        default:
            break;
    }
    return 0;
}

void Click(HWND grid, GridState& state, LPARAM where) {
    SetFocus(grid);
    const POINT point{static_cast<short>(LOWORD(where)), static_cast<short>(HIWORD(where))};
    for (int row = 1; row < state.rows; ++row) {
        for (int column = 1; column < state.Columns(); ++column) {
            const RECT cell = state.CellRect(row, column);
            if (PtInRect(&cell, point)) {
                state.current = {column, row};
                InvalidateRect(grid, nullptr, FALSE);
            }
        }
    }
}

LRESULT GetCell(GridState& state, const GridCellRequest* request) {
    if (request == nullptr || !state.Contains(request->row, request->column)) {
        if (request != nullptr && request->text != nullptr && request->size > 0) {
            request->text[0] = L'\0';
        }
        return 0;
    }
    const std::wstring& cell = state.Cell(request->row, request->column);
    if (request->text != nullptr && request->size > 0) {
        const std::size_t copied =
            std::min(cell.size(), static_cast<std::size_t>(request->size - 1));
        cell.copy(request->text, copied);
        request->text[copied] = L'\0';
    }
    return static_cast<LRESULT>(cell.size());
}

LRESULT SetCell(HWND grid, GridState& state, const GridCellRequest* request) {
    if (request == nullptr || request->text == nullptr ||
        !state.Contains(request->row, request->column)) {
        return 0;
    }
    state.Cell(request->row, request->column) = request->text;
    InvalidateRect(grid, nullptr, FALSE);
    return 1;
}

LRESULT Handle(HWND grid, GridState& state, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kGridGetCell:
            return GetCell(state, reinterpret_cast<const GridCellRequest*>(lParam));
        case kGridSetCell:
            return SetCell(grid, state, reinterpret_cast<const GridCellRequest*>(lParam));
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS | DLGC_WANTCHARS;
        case WM_PAINT:
            Paint(grid, state);
            return 0;
        case WM_KEYDOWN:
            return HandleKey(grid, state, wParam);
        case WM_CHAR:
            Type(grid, state, wParam);
            return 0;
        case WM_LBUTTONDOWN:
            Click(grid, state, lParam);
            return 0;
        case WM_SETFOCUS:
            InvalidateRect(grid, nullptr, FALSE);
            return 0;
        case WM_KILLFOCUS:
            InvalidateRect(grid, nullptr, FALSE);
            if (state.events.exit) {
                state.events.exit();
            }
            return 0;
        case WM_SETFONT:
            state.font = reinterpret_cast<HFONT>(wParam);
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(state.font);
        default:
            return DefWindowProcW(grid, message, wParam, lParam);
    }
}

// Nothing a handler throws goes past the procedure into the host's message loop.
LRESULT CALLBACK GridProc(HWND grid, UINT message, WPARAM wParam, LPARAM lParam) {
    GridState* state = StateOf(grid);
    if (message == WM_NCDESTROY) {
        delete state;
        SetWindowLongPtrW(grid, GWLP_USERDATA, 0);
    }
    if (state == nullptr || message == WM_NCDESTROY) {
        return DefWindowProcW(grid, message, wParam, lParam);
    }
    try {
        return Handle(grid, *state, message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

void RegisterGridClass() {
    WNDCLASSEXW type{};
    type.cbSize = sizeof type;
    type.style = CS_HREDRAW | CS_VREDRAW;
    type.lpfnWndProc = GridProc;
    type.hInstance = ThisModule();
    type.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    type.lpszClassName = kGridClass;
    RegisterClassExW(&type);  // fails harmlessly when the class is there already
}

}  // namespace

void UnregisterGridClass() {
    UnregisterClassW(kGridClass, ThisModule());
}

HWND CreateGrid(HWND parent, int rows, std::vector<int> columnWidths, int rowHeight, RECT place) {
    RegisterGridClass();
    auto state = std::make_unique<GridState>();
    state->rows = rows;
    state->widths = std::move(columnWidths);
    state->rowHeight = rowHeight;
    state->cells.resize(static_cast<std::size_t>(rows * state->Columns()));
    const HWND grid = CreateWindowExW(WS_EX_CLIENTEDGE, kGridClass, L"",
                                      WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP, place.left,
                                      place.top, place.right - place.left, place.bottom - place.top,
                                      parent, nullptr, ThisModule(), nullptr);
    if (grid != nullptr) {
        SetWindowLongPtrW(grid, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state.release()));
    }
    return grid;
}

void SetGridEvents(HWND grid, GridEvents events) {
    if (GridState* state = StateOf(grid)) {
        state->events = std::move(events);
    }
}

std::wstring GridCellText(HWND grid, int row, int column) {
    GridState* state = StateOf(grid);
    return state != nullptr && state->Contains(row, column) ? state->Cell(row, column)
                                                            : std::wstring();
}

void SetGridCellText(HWND grid, int row, int column, std::wstring text) {
    GridState* state = StateOf(grid);
    if (state != nullptr && state->Contains(row, column)) {
        state->Cell(row, column) = std::move(text);
        InvalidateRect(grid, nullptr, FALSE);
    }
}

POINT GridCurrentCell(HWND grid) {
    const GridState* state = StateOf(grid);
    return state != nullptr ? state->current : POINT{-1, -1};
}

}  // namespace win32_controls
