#pragma once

#include <windows.h>

#include <functional>

namespace links {

// Destroys a window of the calling thread. Another thread's window cannot be destroyed from
// here (a host may unload the module from any thread): each window of it, children included,
// whose class this module registered gets the system's default procedure, so that no message
// reaches this module's code any more, and the window is posted a close that its own thread
// carries out.
void DestroyWindowFromAnyThread(HWND window) noexcept;

// A hidden message-only window of the thread that creates it, whose messages go to one handler:
// the way WinSock's asynchronous selection, window timers and a link's own threads (through
// PostMessage) reach a link on that thread. The handler runs inside the window procedure, which
// catches whatever escapes it, so no exception reaches the host's message loop.
class LinkWindow {
public:
    // Returns true when it handled the message; otherwise the system's default handling runs.
    using Handler = std::function<bool(UINT message, WPARAM wParam, LPARAM lParam)>;
    // Called with the text of an exception that escaped the handler. It runs from a copy, also
    // when the handler destroyed the window's owner first: an owner that may be gone by then
    // checks its TComponent::AliveToken() in the callback.
    using Failure = std::function<void(const char* text)>;

    // Throws std::runtime_error with the system's text when no window can be made.
    LinkWindow(Handler handler, Failure failure);
    ~LinkWindow();
    LinkWindow(const LinkWindow&) = delete;
    LinkWindow& operator=(const LinkWindow&) = delete;

    [[nodiscard]] HWND Handle() const noexcept { return m_window; }

    // The first message number past the window class's own: links number theirs from here.
    static constexpr UINT kFirstLinkMessage = WM_USER + 1;

private:
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    LRESULT dispatch(UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    Handler m_handler;
    Failure m_failure;
    HWND m_window = nullptr;
};

}  // namespace links
