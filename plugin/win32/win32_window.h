#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "plugin/tform1_handlers.h"
#include "plugin/win32/win32_controls.h"
#include "plugin/win32/win32_icon.h"

namespace win32_window {

// Every control of the window carries a window property named this prefix followed by its
// name ("TolvaneName:CBMODEL"), so that a test finds it from the window handle alone, as a
// host would. The buttons of a radio group are named after the group and their item index
// ("RGCON.0"); the window itself is "Form1".
inline constexpr char kNamePropertyPrefix[] = "TolvaneName:";

// The control of `window` (or the window itself) with that name; nullptr when there is none.
HWND FindControl(HWND window, std::string_view name);

// The notification code that the window's command handler gets when Enter is pressed in a
// control (no control sends it itself).
inline constexpr UINT kReturnPressed = 0x7F00;

// The settings window on Win32: the four tabs and their controls, the status line and the
// timers, made hidden. Closing it hides it. What the controls do is left to the handlers that
// get the controls through Controls().
class TForm1Window {
public:
    // Throws std::runtime_error with the system's text when the window cannot be made.
    TForm1Window();
    ~TForm1Window();
    TForm1Window(const TForm1Window&) = delete;
    TForm1Window& operator=(const TForm1Window&) = delete;

    HWND Handle() const { return m_window; }
    // The controls as the handlers see them.
    const TForm1Controls& Controls() const { return m_controls; }
    // The timers, for the handlers' ticks.
    win32_controls::Win32Timer& Timer(std::string_view name);
    // Called with each control's WM_COMMAND notification (a click, an edit losing the caret),
    // after the window's own handling of it, and with kReturnPressed for the control that has the
    // focus when Enter is pressed.
    void SetOnCommand(std::function<void(HWND control, UINT code)> onCommand) {
        m_onCommand = std::move(onCommand);
    }

    // Opens the About tab's web address when its link is clicked; the browser by default.
    void SetUrlOpener(std::function<void(const std::string& address)> openUrl) {
        m_openUrl = std::move(openUrl);
    }

private:
    struct FontOwner {
        HFONT font = nullptr;
        FontOwner() = default;
        FontOwner(const FontOwner&) = delete;
        FontOwner& operator=(FontOwner&& other) noexcept {
            std::swap(font, other.font);
            return *this;
        }
        ~FontOwner();
    };
    // A control's place in its frame, as left, top, width and height.
    struct Place {
        int left;
        int top;
        int width;
        int height;
    };
    struct Frame {
        HWND page;
        int left;
        int top;
    };

    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    HWND Make(const wchar_t* type, const char* name, const char* text, DWORD style, Frame frame,
              Place place);
    HWND MakeFrame(const char* name, const char* title, HWND page, Place place);
    HWND MakeTick(const char* name, const char* text, Frame frame, Place place);
    HWND MakeLabel(const char* name, const char* text, Frame frame, int left, int top, int width);
    std::vector<HWND> MakeRadioGroup(const char* name, const char* title, HWND page, Place place,
                                     std::initializer_list<const char*> items);
    void BuildPages();
    void ShowPage(int index);
    void ReturnPressed();
    void BuildStatisticsTab();
    void BuildGroupFilterTab();
    void BuildEncoderTab();
    void BuildEncoderBottom(Frame page);
    void BuildAboutTab();
    void SendFramesBack();
    void BuildTimers();
    void ApplyFont();
    void ApplyNarrowFont(const LOGFONTW& font);
    void FitGroupListRows(const LOGFONTW& font);
    void BindControls();
    static LRESULT CALLBACK LinkProcedure(HWND link, UINT message, WPARAM wParam, LPARAM lParam,
                                          UINT_PTR, DWORD_PTR self);
    bool LinkMessage(HWND link, UINT message, LPARAM lParam);
    void SetLinkHover(bool hover);
    LRESULT LinkColours(HDC dc) const;

    // Gives the keys of the window's controls to the dialog manager first (Tab, the arrow keys),
    // on the window's thread, for as long as a window lives there.
    struct KeyboardHook {
        KeyboardHook();
        ~KeyboardHook();
        KeyboardHook(const KeyboardHook&) = delete;
        KeyboardHook& operator=(const KeyboardHook&) = delete;
    };

    KeyboardHook m_keyboard;
    // Made before the window and destroyed after it, which uses them until its end.
    win32_icon::IconOwner m_bigIcon{win32_icon::DrawTolvaneIcon(32)};
    win32_icon::IconOwner m_smallIcon{win32_icon::DrawTolvaneIcon(16)};
    FontOwner m_font;
    FontOwner m_narrowFont;
    FontOwner m_listFont;
    FontOwner m_linkFont;
    bool m_linkHover = false;
    HWND m_window = nullptr;
    HWND m_tabs = nullptr;
    HWND m_pages[4] = {};
    HWND m_status = nullptr;
    std::map<std::string, HWND, std::less<>> m_names;
    std::vector<HWND> m_frames;
    std::map<std::string, std::vector<HWND>, std::less<>> m_radioGroups;
    std::map<std::string, std::unique_ptr<win32_controls::Win32Timer>, std::less<>> m_timers;
    int m_nextId = 100;
    win32_controls::Adapters m_adapters;
    TForm1Controls m_controls;
    std::function<void(HWND control, UINT code)> m_onCommand;
    std::function<void(const std::string& address)> m_openUrl;
};

}  // namespace win32_window
