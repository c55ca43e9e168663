#include "plugin/win32/win32_window.h"

#include "LinkWindow.h"

#include <commctrl.h>
#include <shellapi.h>

#include <exception>
#include <stdexcept>

#include "LinkCommon.h"
#include "pipeline/rds_group_record.h"
#include "plugin/workspace_rules.h"

namespace win32_window {
namespace {

constexpr wchar_t kWindowClass[] = L"TolvaneForm1";
constexpr wchar_t kPageClass[] = L"TolvanePage";
constexpr int kClientWidth = 417;
constexpr int kClientHeight = 332;
// Seven rows of 13 pixels, the room that a list view keeps for its horizontal scroll bar even
// when the rows fit, and the border.
constexpr int kGroupListHeight = 7 * 13 + 17 + 2;
constexpr int kGroupListColumnWidth = 70;
constexpr char kLinkAddress[] = "https://tolvane.example.org/";

// Opens an address in the user's web browser.
void OpenInBrowser(const std::string& address) {
    ShellExecuteW(nullptr, L"open", win32_controls::Widen(address).c_str(), nullptr, nullptr,
                  SW_SHOWNORMAL);
}

using win32_controls::Widen;

std::string PropertyName(std::string_view name) {
    return std::string(kNamePropertyPrefix) + std::string(name);
}

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

// Messages of the controls on a page go on to the window, which owns everything they do.
LRESULT CALLBACK PageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND || message == WM_NOTIFY || message == WM_CTLCOLORSTATIC) {
        return SendMessageW(GetAncestor(page, GA_ROOT), message, wParam, lParam);
    }
    return DefWindowProcW(page, message, wParam, lParam);
}

void RegisterClasses(WNDPROC windowProcedure) {
    WNDCLASSEXW type{};
    type.cbSize = sizeof type;
    type.hInstance = win32_controls::ThisModule();
    type.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    type.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    type.lpfnWndProc = windowProcedure;
    type.lpszClassName = kWindowClass;
    RegisterClassExW(&type);  // fails harmlessly when the class is there already
    type.lpfnWndProc = PageProcedure;
    type.lpszClassName = kPageClass;
    RegisterClassExW(&type);
}

BOOL CALLBACK SetFont(HWND child, LPARAM font) {
    SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), FALSE);
    return TRUE;
}

std::runtime_error SystemError(const char* what) {
    return std::runtime_error(std::string(what) + ": " + links::SystemErrorText(GetLastError()));
}

// One hook per thread, however many windows live there.
thread_local HHOOK t_keyboardHook = nullptr;
thread_local int t_keyboardUsers = 0;

// The host's message loop knows nothing of the window's keyboard: a message hook gives the keys
// bound for the window's controls to the dialog manager, which moves the focus on Tab and within
// a radio group on the arrow keys and hands every other key on. What it took is not dispatched
// again by the host.
LRESULT CALLBACK KeyboardHookProcedure(int code, WPARAM removed, LPARAM lParam) {
    auto* message = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && removed == PM_REMOVE && message->message >= WM_KEYFIRST &&
        message->message <= WM_KEYLAST && message->hwnd != nullptr) {
        const HWND root = GetAncestor(message->hwnd, GA_ROOT);
        if (root != nullptr && GetPropA(root, PropertyName("Form1").c_str()) != nullptr &&
            IsDialogMessageW(root, message) != FALSE) {
            message->message = WM_NULL;
        }
    }
    return CallNextHookEx(nullptr, code, removed, lParam);
}

}  // namespace

HWND FindControl(HWND window, std::string_view name) {
    Search search{PropertyName(name)};
    if (GetPropA(window, search.property.c_str()) != nullptr) {
        return window;
    }
    EnumChildWindows(window, MatchName, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TForm1Window::KeyboardHook::KeyboardHook() {
    if (t_keyboardUsers++ == 0) {
        t_keyboardHook =
            SetWindowsHookExW(WH_GETMESSAGE, KeyboardHookProcedure, nullptr, GetCurrentThreadId());
    }
}

TForm1Window::KeyboardHook::~KeyboardHook() {
    if (--t_keyboardUsers == 0 && t_keyboardHook != nullptr) {
        UnhookWindowsHookEx(t_keyboardHook);
        t_keyboardHook = nullptr;
    }
}

TForm1Window::FontOwner::~FontOwner() {
    if (font != nullptr) {
        DeleteObject(font);
    }
}

TForm1Window::TForm1Window() : m_openUrl(OpenInBrowser) {
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES |
                                                     ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&classes);
    RegisterClasses(Procedure);
    constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT outer{0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&outer, kStyle, FALSE, 0);
    m_window = CreateWindowExW(0, kWindowClass, L"Tolvane", kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                               outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                               win32_controls::ThisModule(), this);
    if (m_window == nullptr) {
        throw SystemError("The settings window cannot be made");
    }
    SetPropA(m_window, PropertyName("Form1").c_str(), reinterpret_cast<HANDLE>(1));
    SendMessageW(m_window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_bigIcon.Get()));
    SendMessageW(m_window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon.Get()));
    BuildPages();
    BuildStatisticsTab();
    BuildGroupFilterTab();
    BuildEncoderTab();
    BuildAboutTab();
    SendFramesBack();
    BuildTimers();
    ApplyFont();
    BindControls();
}

TForm1Window::~TForm1Window() {
    m_timers.clear();
    // The procedure must not reach this object while it is being taken down.
    SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
    links::DestroyWindowFromAnyThread(m_window);
    UnregisterClassW(kWindowClass, win32_controls::ThisModule());
    UnregisterClassW(kPageClass, win32_controls::ThisModule());
    win32_controls::UnregisterGridClass();
}

win32_controls::Win32Timer& TForm1Window::Timer(std::string_view name) {
    return *m_timers.find(name)->second;
}

LRESULT CALLBACK TForm1Window::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<TForm1Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr || self->m_window == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    // Nothing thrown below goes on into the host's message loop.
    try {
        return self->Handle(message, wParam, lParam);
    } catch (const std::exception& error) {
        OutputDebugStringA(error.what());
    } catch (...) {
        OutputDebugStringA("Unknown exception in the settings window");
    }
    return 0;
}

LRESULT TForm1Window::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CLOSE:
            ShowWindow(m_window, SW_HIDE);
            return 0;
        case WM_TIMER:
            for (auto& [name, timer] : m_timers) {
                if (timer->Id() == wParam) {
                    timer->Tick();
                }
            }
            return 0;
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED) {
                for (const auto& [name, buttons] : m_radioGroups) {
                    win32_controls::UpdateRadioTabStop(buttons);
                }
            }
            if (m_onCommand && lParam != 0) {
                m_onCommand(reinterpret_cast<HWND>(lParam), HIWORD(wParam));
            } else if (m_onCommand && LOWORD(wParam) == IDOK) {
                ReturnPressed();
            }
            return 0;
        case WM_CTLCOLORSTATIC:
            if (reinterpret_cast<HWND>(lParam) == m_names.at("URLLink1")) {
                return LinkColours(reinterpret_cast<HDC>(wParam));
            }
            return DefWindowProcW(m_window, message, wParam, lParam);
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->hwndFrom == m_tabs && header->code == TCN_SELCHANGE) {
                ShowPage(TabCtrl_GetCurSel(m_tabs));
            }
            return 0;
        }
        default:
            return DefWindowProcW(m_window, message, wParam, lParam);
    }
}

HWND TForm1Window::Make(const wchar_t* type, const char* name, const char* text, DWORD style,
                        Frame frame, Place place) {
    const HWND control = CreateWindowExW(
        0, type, Widen(text).c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style,
        frame.left + place.left, frame.top + place.top, place.width, place.height, frame.page,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(m_nextId++)), win32_controls::ThisModule(),
        nullptr);
    if (control == nullptr) {
        throw SystemError(name);
    }
    SetPropA(control, PropertyName(name).c_str(), reinterpret_cast<HANDLE>(1));
    m_names.emplace(name, control);
    return control;
}

HWND TForm1Window::MakeFrame(const char* name, const char* title, HWND page, Place place) {
    const HWND frame = Make(L"BUTTON", name, title, BS_GROUPBOX | WS_GROUP, {page, 0, 0}, place);
    m_frames.push_back(frame);
    return frame;
}

// Controls clip their siblings: a frame above the controls it surrounds would hide them. Frames
// are no tab stops, so their place in the Z order does not change the keyboard order.
void TForm1Window::SendFramesBack() {
    for (const HWND frame : m_frames) {
        SetWindowPos(frame, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

HWND TForm1Window::MakeTick(const char* name, const char* text, Frame frame, Place place) {
    const HWND box =
        Make(L"BUTTON", name, text, BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP, frame, place);
    SendMessageW(box, BM_SETCHECK, BST_CHECKED, 0);
    return box;
}

HWND TForm1Window::MakeLabel(const char* name, const char* text, Frame frame, int left, int top,
                             int width) {
    return Make(L"STATIC", name, text, SS_LEFTNOWORDWRAP | SS_NOPREFIX, frame,
                {left, top, width, 13});
}

// The items share the frame's height below its title evenly, each centred in its share.
std::vector<HWND> TForm1Window::MakeRadioGroup(const char* name, const char* title, HWND page,
                                               Place place,
                                               std::initializer_list<const char*> items) {
    MakeFrame(name, title, page, place);
    const int count = static_cast<int>(items.size());
    const int share = (place.height - 20) / count;
    std::vector<HWND> buttons;
    for (const char* item : items) {
        const int index = static_cast<int>(buttons.size());
        const std::string buttonName = std::string(name) + "." + std::to_string(index);
        const DWORD style = BS_AUTORADIOBUTTON | (index == 0 ? WS_GROUP | WS_TABSTOP : 0);
        buttons.push_back(Make(L"BUTTON", buttonName.c_str(), item, style,
                               {page, place.left, place.top},
                               {8, 16 + index * share + (share - 17) / 2, place.width - 16, 17}));
    }
    m_radioGroups.emplace(name, buttons);
    return buttons;
}

void TForm1Window::BuildPages() {
    m_tabs = Make(WC_TABCONTROLW, "PageControl1", "", WS_TABSTOP | WS_GROUP | WS_CLIPCHILDREN,
                  {m_window, 0, 0}, {0, 0, 417, 313});
    const char* titles[] = {"Statistics", "Group Filter", "RDS Encoder", "About"};
    for (int index = 0; index < 4; ++index) {
        std::wstring title = Widen(titles[index]);
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = title.data();
        SendMessageW(m_tabs, TCM_INSERTITEMW, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(&item));
    }
    RECT area{0, 0, 417, 313};
    TabCtrl_AdjustRect(m_tabs, FALSE, &area);
    for (int index = 0; index < 4; ++index) {
        const std::string name = "TabSheet" + std::to_string(index + 1);
        m_pages[index] =
            Make(kPageClass, name.c_str(), "", WS_CLIPCHILDREN, {m_tabs, 0, 0},
                 {area.left, area.top, area.right - area.left, area.bottom - area.top});
        // Tab and the arrow keys go into the page's controls.
        SetWindowLongPtrW(m_pages[index], GWL_EXSTYLE, WS_EX_CONTROLPARENT);
    }
    // The keyboard goes on into the controls of the page that is shown.
    SetWindowLongPtrW(m_tabs, GWL_EXSTYLE,
                      GetWindowLongPtrW(m_tabs, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
    ShowPage(0);
    m_status = Make(STATUSCLASSNAMEW, "StatusBar1", "", 0, {m_window, 0, 0}, {0, 313, 417, 19});
    SendMessageW(m_status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(L"Not connected"));
}

// The dialog manager reports Enter as IDOK from no control (the window has no default button):
// it goes to the control that has the focus, as a line edit's editing-finished does.
void TForm1Window::ReturnPressed() {
    const HWND focus = GetFocus();
    if (focus != nullptr && IsChild(m_window, focus)) {
        m_onCommand(focus, kReturnPressed);
    }
}

void TForm1Window::ShowPage(int index) {
    for (int page = 0; page < 4; ++page) {
        ShowWindow(m_pages[page], page == index ? SW_SHOW : SW_HIDE);
    }
}

void TForm1Window::BuildStatisticsTab() {
    const HWND page = m_pages[0];
    MakeFrame("GroupBox5", "Statistics", page, {8, 8, 393, 265});
    struct Row {
        const char* captionName;
        const char* captionText;
        const char* valueName;
        const char* initial;
        int top;
    };
    const Row rows[] = {
        {"Label3", "Groups received (total):", "LR", "LR", 32},
        {"Label12", "Groups received (per second):", "LRPS", "LRPS", 48},
        {"Label9", "Groups discarded due to CRC error:", "LE", "LE", 72},
        {"Label10", "Groups discarded due to Group Filter:", "LF", "LF", 88},
        {"Label4", "Groups waiting in buffer:", "LW", "LW", 112},
        {"Label11", "Groups lost due to buffer overrun:", "LL", "LL", 128},
        {"Label5", "Groups sent to output (total):", "LS", "LS", 152},
        {"Label13", "Groups sent to output (per second):", "LSPS", "LSPS", 168},
        {"Label14", "Started:", "LSTART", "0:00:00", 192},
    };
    const Frame frame{page, 8, 8};
    for (const Row& row : rows) {
        MakeLabel(row.captionName, row.captionText, frame, 24, row.top, 208 - 24);
        // Values grow as counters rise: they get the rest of the row.
        MakeLabel(row.valueName, row.initial, frame, 208, row.top, 393 - 208 - 8);
    }
    Make(L"BUTTON", "Button1", "Clear", BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, frame,
         {160, 224, 75, 25});
}

// The grid comes before the group list in the keyboard order of this tab.
void TForm1Window::BuildGroupFilterTab() {
    const HWND page = m_pages[1];
    MakeFrame("GroupBox8", "Rebroadcast Groups", page, {8, 8, 393, 137});
    MakeFrame("GroupBox7", "Binary Mask Definition", page, {8, 152, 393, 121});
    const HWND grid =
        win32_controls::CreateGrid(page, 4, {36, 111, 111, 111}, 19, {16, 176, 16 + 377, 176 + 84});
    SetPropA(grid, PropertyName("SGMASK").c_str(), reinterpret_cast<HANDLE>(1));
    m_names.emplace("SGMASK", grid);

    // Five columns of seven rows, filled top to bottom.
    const HWND list = Make(WC_LISTVIEWW, "CLBSHOW", "",
                           LVS_LIST | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                               WS_TABSTOP | WS_GROUP | WS_BORDER,
                           {page, 8, 8}, {16, 24, 361, kGroupListHeight});
    ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES);
    ListView_SetBkColor(list, GetSysColor(COLOR_BTNFACE));
    ListView_SetTextBkColor(list, GetSysColor(COLOR_BTNFACE));
    for (int index = 0; index < 35; ++index) {
        const std::string text =
            index < 32 ? GroupTypeName(index) : "Mask " + std::to_string(index - 31);
        std::wstring wide = Widen(text);
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = index;
        item.pszText = wide.data();
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    ListView_SetColumnWidth(list, 0, kGroupListColumnWidth);
}

void TForm1Window::BuildEncoderTab() {
    const HWND page = m_pages[2];
    MakeFrame("GBMODEL", "RDS Encoder Model", page, {8, 8, 257, 65});
    MakeFrame("GroupBox1", "Connection Options", page, {144, 80, 121, 73});
    MakeFrame("GroupBox4", "Do NOT Rebroadcast", page, {280, 8, 121, 73});
    MakeFrame("GroupBox2", "RS232 Port", page, {280, 88, 121, 65});
    MakeFrame("GroupBox3", "TCP/IP Connect to RDS Encoder", page, {8, 160, 257, 81});
    // Made in the keyboard order, which is the order of creation on Win32. A combo box's
    // height includes its drop-down list.
    const HWND model =
        Make(WC_COMBOBOXW, "CBMODEL", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP,
             {page, 8, 8}, {16, 24, 225, 120});
    SendMessageW(model, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"VELMAR8 / V108"));
    SendMessageW(model, CB_SETCURSEL, 0, 0);
    MakeRadioGroup("RGCON", "Connection Type", page, {8, 80, 121, 73},
                   {"Serial RS232", "Ethernet TCP/IP", "(not connected)"});
    MakeTick("CBBIDI", "Bidirectional", {page, 144, 80}, {16, 24, 97, 17});
    MakeTick("CBLIMIT", "Limit group rate", {page, 144, 80}, {16, 40, 97, 17});
    Make(WC_COMBOBOXW, "CBCOMP", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP,
         {page, 280, 88}, {16, 24, 89, 260});
    MakeRadioGroup("RGSPEED", "Port Speed", page, {280, 160, 121, 113},
                   {"1200 bps", "2400 bps", "4800 bps", "9600 bps", "19200 bps"});
    BuildEncoderBottom({page, 0, 0});
}

void TForm1Window::BuildEncoderBottom(Frame page) {
    const Frame tcp{page.page, 8, 160};
    MakeLabel("Label1", "Host:", tcp, 16, 27, 40);
    MakeLabel("Label2", "Port:", tcp, 16, 51, 40);
    constexpr DWORD kEdit = ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP | WS_GROUP;
    Make(WC_EDITW, "EHOST", "127.0.0.1", kEdit, tcp, {56, 24, 185, 21});
    Make(WC_EDITW, "EPORT", "23", kEdit, tcp, {56, 48, 65, 21});
    // Shown top to bottom as PI, TP, PTY; the keyboard visits PI, PTY, TP.
    const Frame keep{page.page, 280, 8};
    MakeTick("CBKEEPPI", "PI", keep, {16, 16, 57, 17});
    MakeTick("CBKEEPPTY", "PTY", keep, {16, 48, 73, 17});
    MakeTick("CBKEEPTP", "TP", keep, {16, 32, 73, 17});
    constexpr DWORD kButton = BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP;
    Make(L"BUTTON", "BUPDATE", "Connect / Update", kButton, page, {8, 248, 137, 25});
    Make(L"BUTTON", "BDISCON", "Disconnect", kButton, page, {152, 248, 113, 25});
}

void TForm1Window::BuildAboutTab() {
    const HWND page = m_pages[3];
    MakeFrame("GroupBox6", "About", page, {112, 80, 185, 121});
    const Frame about{page, 112, 80};
    MakeLabel("Label6", "Tolvane plugin", about, 16, 24, 161);
    MakeLabel("Label7", "Version 1.00", about, 16, 40, 161);
    const HWND link = Make(L"STATIC", "URLLink1", "tolvane.example.org",
                           SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_NOTIFY, about, {16, 56, 161, 13});
    SetWindowSubclass(link, LinkProcedure, 0, reinterpret_cast<DWORD_PTR>(this));
    MakeLabel("Label8", "\xc2\xa9 2026 The Tolvane developers", about, 16, 88, 161);
}

// Blue on the page's face, as a link is drawn; in the text colour of an edit's face while the
// mouse is over it.
LRESULT TForm1Window::LinkColours(HDC dc) const {
    SetTextColor(dc, m_linkHover ? GetSysColor(COLOR_WINDOW) : RGB(0, 0, 0xff));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

// The About tab's link: a hand over it, underlined until the mouse comes over it, and a left
// click released over it opens its address.
LRESULT CALLBACK TForm1Window::LinkProcedure(HWND link, UINT message, WPARAM wParam, LPARAM lParam,
                                             UINT_PTR, DWORD_PTR self) {
    try {
        if (reinterpret_cast<TForm1Window*>(self)->LinkMessage(link, message, lParam)) {
            return message == WM_SETCURSOR ? TRUE : 0;
        }
    } catch (...) {
        OutputDebugStringA("Exception in the settings window's link");
    }
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(link, LinkProcedure, 0);
    }
    return DefSubclassProc(link, message, wParam, lParam);
}

bool TForm1Window::LinkMessage(HWND link, UINT message, LPARAM lParam) {
    switch (message) {
        case WM_SETCURSOR:
            SetCursor(LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));  // the hand
            return true;
        case WM_MOUSEMOVE:
            if (!m_linkHover) {
                TRACKMOUSEEVENT leave{sizeof leave, TME_LEAVE, link, 0};
                TrackMouseEvent(&leave);
                SetLinkHover(true);
            }
            return false;
        case WM_MOUSELEAVE:
            SetLinkHover(false);
            return false;
        case WM_LBUTTONUP: {
            RECT inside{};
            GetClientRect(link, &inside);
            const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            if (PtInRect(&inside, at) != FALSE && m_openUrl) {
                m_openUrl(kLinkAddress);
            }
            return false;
        }
        default:
            return false;
    }
}

void TForm1Window::SetLinkHover(bool hover) {
    m_linkHover = hover;
    const HWND link = m_names.at("URLLink1");
    const HFONT font = hover || m_linkFont.font == nullptr ? m_font.font : m_linkFont.font;
    SendMessageW(link, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void TForm1Window::BuildTimers() {
    struct Plan {
        const char* name;
        int interval;
        bool running;
    };
    const Plan plans[] = {{"TTimerSend", 70, true},
                          {"TimerRxD", 5, true},
                          {"TCPCon", 30000, false},
                          {"TimerPerSec", 2978, true}};
    UINT_PTR id = 1;
    for (const Plan& plan : plans) {
        auto timer = std::make_unique<win32_controls::Win32Timer>(m_window, id++, plan.interval);
        if (plan.running) {
            timer->Start();
        }
        m_timers.emplace(plan.name, std::move(timer));
    }
}

// The system's message font, the one its dialogs use.
void TForm1Window::ApplyFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0) != FALSE) {
        m_font.font = CreateFontIndirectW(&metrics.lfMessageFont);
    }
    if (m_font.font == nullptr) {
        return;
    }
    EnumChildWindows(m_window, SetFont, reinterpret_cast<LPARAM>(m_font.font));
    // A list view measures its columns anew for a new font.
    ListView_SetColumnWidth(m_names.at("CLBSHOW"), 0, kGroupListColumnWidth);
    ApplyNarrowFont(metrics.lfMessageFont);
    LOGFONTW underlined = metrics.lfMessageFont;
    underlined.lfUnderline = TRUE;
    m_linkFont.font = CreateFontIndirectW(&underlined);
    SetLinkHover(false);
    FitGroupListRows(metrics.lfMessageFont);
}

// The longest captions need a little less than the font's width to keep to their room in the
// layout: the statistics captions end before the values at 208, the option boxes are 97 wide,
// the copyright line ends within the About frame, and the caption of the 121-pixel frame of the
// rebroadcast options sits within its lines.
void TForm1Window::ApplyNarrowFont(const LOGFONTW& font) {
    const HDC screen = GetDC(nullptr);
    const HGDIOBJ old = SelectObject(screen, m_font.font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(screen, &metrics);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    LOGFONTW narrow = font;
    narrow.lfWidth = metrics.tmAveCharWidth * 4 / 5;
    m_narrowFont.font = CreateFontIndirectW(&narrow);
    if (m_narrowFont.font == nullptr || narrow.lfWidth <= 0) {
        return;
    }
    for (const char* name :
         {"Label3", "Label12", "Label9", "Label10", "Label4", "Label11", "Label5", "Label13",
          "Label14", "CBBIDI", "CBLIMIT", "Label8", "GroupBox4"}) {
        SendMessageW(m_names.at(name), WM_SETFONT, reinterpret_cast<WPARAM>(m_narrowFont.font),
                     FALSE);
    }
}

namespace {

// Tick boxes of 11 pixels, as the Linux list draws them, in place of the system's taller ones
// that set the rows' height. The list owns the new images and destroys them with itself.
void UseSmallTickBoxes(HWND list) {
    constexpr int kSize = 11;
    const HIMAGELIST images = ImageList_Create(kSize, kSize, ILC_COLOR32, 2, 0);
    if (images == nullptr) {
        return;
    }
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    for (const UINT state : {UINT{DFCS_BUTTONCHECK}, UINT{DFCS_BUTTONCHECK | DFCS_CHECKED}}) {
        const HBITMAP picture = CreateCompatibleBitmap(screen, kSize, kSize);
        const HGDIOBJ old = SelectObject(memory, picture);
        RECT box{0, 0, kSize, kSize};
        FillRect(memory, &box, GetSysColorBrush(COLOR_BTNFACE));
        DrawFrameControl(memory, &box, DFC_BUTTON, state | DFCS_FLAT);
        SelectObject(memory, old);
        ImageList_Add(images, picture, nullptr);
        DeleteObject(picture);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    const HIMAGELIST previous = ListView_SetImageList(list, images, LVSIL_STATE);
    if (previous != nullptr && previous != images) {
        ImageList_Destroy(previous);
    }
}

int GroupListRowHeight(HWND list) {
    RECT row{LVIR_BOUNDS, 0, 0, 0};
    SendMessageW(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
    return row.bottom - row.top;
}

}  // namespace

// The group list shows seven whole rows, as on Linux. A list view in list mode keeps the room of
// its horizontal scroll bar below the rows even when it shows none, so the list is that much
// taller than on Linux (it still ends within its frame); its rows take 11-pixel tick boxes and
// the message font, or the tallest smaller cut of that font whose rows fit seven times.
void TForm1Window::FitGroupListRows(const LOGFONTW& font) {
    const HWND list = m_names.at("CLBSHOW");
    UseSmallTickBoxes(list);
    constexpr int kRows = 7;
    const int room = kGroupListHeight - 2 - GetSystemMetrics(SM_CYHSCROLL);
    LOGFONTW smaller = font;
    const int sign = font.lfHeight < 0 ? -1 : 1;
    while (GroupListRowHeight(list) * kRows > room && smaller.lfHeight * sign > 6) {
        smaller.lfHeight -= sign;
        m_listFont = {};
        m_listFont.font = CreateFontIndirectW(&smaller);
        if (m_listFont.font == nullptr) {
            return;
        }
        SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(m_listFont.font), TRUE);
        ListView_SetColumnWidth(list, 0, kGroupListColumnWidth);
    }
    // The list lays its columns out anew for the new rows when its size changes.
    for (const int shrink : {1, 0}) {
        SetWindowPos(list, nullptr, 0, 0, 361, kGroupListHeight - shrink,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // Wine's list view measures its columns anew at its first painting, and a new size does so
    // too: a painting into a scratch surface comes first, the column width after it.
    const HDC screen = GetDC(nullptr);
    const HDC scratch = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    SendMessageW(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(scratch), PRF_CLIENT);
    DeleteDC(scratch);
    ListView_SetColumnWidth(list, 0, kGroupListColumnWidth);
    ShowScrollBar(list, SB_HORZ, FALSE);
}

void TForm1Window::BindControls() {
    auto named = [this](const char* name) { return m_names.at(name); };
    m_controls.Form1 = m_adapters.Window(m_window);
    m_controls.System = m_adapters.System();
    m_controls.StatusBar1 = m_adapters.StatusLine(m_status);
    ui::Label** labels[] = {&m_controls.LR, &m_controls.LRPS, &m_controls.LE,
                            &m_controls.LF, &m_controls.LW,   &m_controls.LL,
                            &m_controls.LS, &m_controls.LSPS, &m_controls.LSTART};
    const char* labelNames[] = {"LR", "LRPS", "LE", "LF", "LW", "LL", "LS", "LSPS", "LSTART"};
    for (std::size_t i = 0; i < std::size(labels); ++i) {
        *labels[i] = m_adapters.Label(named(labelNames[i]));
    }
    m_controls.CLBSHOW = m_adapters.CheckList(named("CLBSHOW"));
    m_controls.SGMASK = m_adapters.Grid(named("SGMASK"));
    m_controls.RGCON = m_adapters.RadioGroup(m_radioGroups.at("RGCON"));
    m_controls.RGSPEED = m_adapters.RadioGroup(m_radioGroups.at("RGSPEED"));
    m_controls.RGCON->SetItemIndex(2);
    m_controls.RGSPEED->SetItemIndex(1);
    m_controls.CBBIDI = m_adapters.TickBox(named("CBBIDI"));
    m_controls.CBLIMIT = m_adapters.TickBox(named("CBLIMIT"));
    m_controls.CBKEEPPI = m_adapters.TickBox(named("CBKEEPPI"));
    m_controls.CBKEEPPTY = m_adapters.TickBox(named("CBKEEPPTY"));
    m_controls.CBKEEPTP = m_adapters.TickBox(named("CBKEEPTP"));
    m_controls.CBCOMP = m_adapters.Combo(named("CBCOMP"));
    m_controls.EHOST = m_adapters.Edit(named("EHOST"));
    m_controls.EPORT = m_adapters.Edit(named("EPORT"));
    m_controls.EHOST->SetMaxLength(workspace::kHostTypingLimit);
    m_controls.EPORT->SetMaxLength(workspace::kPortTypingLimit);
    m_controls.BUPDATE = m_adapters.Button(named("BUPDATE"));
    m_controls.TTimerSend = m_timers.at("TTimerSend").get();
    m_controls.TimerRxD = m_timers.at("TimerRxD").get();
    m_controls.TCPCon = m_timers.at("TCPCon").get();
    m_controls.TimerPerSec = m_timers.at("TimerPerSec").get();
}

}  // namespace win32_window
