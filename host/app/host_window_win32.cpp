#include "host_window_win32.h"

#include <cstdio>
#include <exception>
#include <stdexcept>
#include <vector>

#include "system_text_win32.h"

namespace {

constexpr wchar_t kClassName[] = L"TolvaneHostWindow";

struct Search {
    std::string property;
    HWND found = nullptr;
};

BOOL CALLBACK MatchName(HWND child, LPARAM search) {
    auto& wanted = *reinterpret_cast<Search*>(search);
    if (GetPropA(child, wanted.property.c_str()) != nullptr) {
        wanted.found = child;
        return FALSE;
    }
    return TRUE;
}

std::runtime_error SystemError(const char* what) {
    return std::runtime_error(std::string(what) + ": " + SystemErrorText(GetLastError()));
}

}  // namespace

HostWindow::HostWindow(bool shown) {
    WNDCLASSEXW type{};
    type.cbSize = sizeof type;
    type.hInstance = GetModuleHandleW(nullptr);
    type.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    type.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    type.lpfnWndProc = Procedure;
    type.lpszClassName = kClassName;
    RegisterClassExW(&type);  // fails harmlessly when the class is there already
    m_window = CreateWindowExW(0, kClassName, L"tolvane-host", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                               CW_USEDEFAULT, 360, 120, nullptr, nullptr, type.hInstance, this);
    if (m_window == nullptr) {
        throw SystemError("CreateWindowEx of the host window");
    }
    SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    if (shown) {
        ShowWindow(m_window, SW_SHOWNORMAL);
        UpdateWindow(m_window);
    }
}

HostWindow::~HostWindow() {
    SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
    DestroyWindow(m_window);
}

// The close button asks the host to end rather than destroy the window: the plug-in's window,
// which it owns, must outlive the reading of the statistics and the saving of the workspace.
LRESULT CALLBACK HostWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<HostWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_CLOSE) {
        PostMessageW(window, kQuitMessage, 0, 0);
        return 0;
    }
    if (self != nullptr && self->OnMessage &&
        (message == WM_TIMER || message == kQuitMessage || message == kInputMessage)) {
        try {
            self->OnMessage(message);
        } catch (const std::exception& failure) {
            std::fprintf(stderr, "tolvane-host: %s\n", failure.what());
        } catch (...) {
            std::fprintf(stderr, "tolvane-host: unknown failure\n");
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

std::string WindowTextUtf8(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::vector<wchar_t> wide(static_cast<std::size_t>(length) + 1);
    const int got = GetWindowTextW(window, wide.data(), length + 1);
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), got, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), got, text.data(), bytes, nullptr, nullptr);
    return text;
}

HWND FindNamedChild(HWND window, const std::string& name) {
    Search search{"TolvaneName:" + name};
    EnumChildWindows(window, MatchName, reinterpret_cast<LPARAM>(&search));
    return search.found;
}
