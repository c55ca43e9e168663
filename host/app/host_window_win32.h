#pragma once

#include <windows.h>

#include <functional>
#include <string>

// The host's own top-level window: the owner of the plug-in's window and the target of the
// host's timer and of its posted messages. Hidden, or shown as a small main window whose
// close button ends the host. Messages go to OnMessage; an exception stops at the window
// procedure and is reported on standard error.
class HostWindow {
public:
    // Posted by the console's control handler and by the close button: the host ends.
    static constexpr UINT kQuitMessage = WM_APP + 1;
    // Posted by the standard input reader when bytes or the end have arrived.
    static constexpr UINT kInputMessage = WM_APP + 2;

    // Throws std::runtime_error with the system's text when the window cannot be made.
    explicit HostWindow(bool shown);
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    HWND Handle() const { return m_window; }

    std::function<void(UINT message)> OnMessage;

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_window = nullptr;
};

// The text of a window as UTF-8.
std::string WindowTextUtf8(HWND window);

// The child of `window` that the plug-in named `name` (its window property
// "TolvaneName:<name>"); nullptr when there is none.
HWND FindNamedChild(HWND window, const std::string& name);
