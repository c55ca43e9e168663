#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "plugin/win32/win32_window.h"
#include "support/win32_message_pump.h"

namespace {

using win32_window::FindControl;
using win32_window::TForm1Window;

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

struct NamedControl {
    const char* name;
    const char* kind;  // the window class, as Win32 names it
    const char* caption;
};

// Every control a host's test reaches by its name, with its kind and caption.
const NamedControl kNamedControls[] = {
    {"PageControl1", "SysTabControl32", ""},
    {"TabSheet1", "TolvanePage", ""},
    {"TabSheet2", "TolvanePage", ""},
    {"TabSheet3", "TolvanePage", ""},
    {"TabSheet4", "TolvanePage", ""},
    {"StatusBar1", "msctls_statusbar32", "Not connected"},
    {"GroupBox5", "Button", "Statistics"},
    {"Label3", "Static", "Groups received (total):"},
    {"Label12", "Static", "Groups received (per second):"},
    {"Label9", "Static", "Groups discarded due to CRC error:"},
    {"Label10", "Static", "Groups discarded due to Group Filter:"},
    {"Label4", "Static", "Groups waiting in buffer:"},
    {"Label11", "Static", "Groups lost due to buffer overrun:"},
    {"Label5", "Static", "Groups sent to output (total):"},
    {"Label13", "Static", "Groups sent to output (per second):"},
    {"Label14", "Static", "Started:"},
    {"LR", "Static", "LR"},
    {"LRPS", "Static", "LRPS"},
    {"LE", "Static", "LE"},
    {"LF", "Static", "LF"},
    {"LW", "Static", "LW"},
    {"LL", "Static", "LL"},
    {"LS", "Static", "LS"},
    {"LSPS", "Static", "LSPS"},
    {"LSTART", "Static", "0:00:00"},
    {"Button1", "Button", "Clear"},
    {"GroupBox8", "Button", "Rebroadcast Groups"},
    {"CLBSHOW", "SysListView32", ""},
    {"GroupBox7", "Button", "Binary Mask Definition"},
    {"SGMASK", "TolvaneGrid", ""},
    {"GBMODEL", "Button", "RDS Encoder Model"},
    {"CBMODEL", "ComboBox", "VELMAR8 / V108"},
    {"RGCON", "Button", "Connection Type"},
    {"RGCON.0", "Button", "Serial RS232"},
    {"RGCON.1", "Button", "Ethernet TCP/IP"},
    {"RGCON.2", "Button", "(not connected)"},
    {"GroupBox1", "Button", "Connection Options"},
    {"CBBIDI", "Button", "Bidirectional"},
    {"CBLIMIT", "Button", "Limit group rate"},
    {"GroupBox4", "Button", "Do NOT Rebroadcast"},
    {"CBKEEPPI", "Button", "PI"},
    {"CBKEEPTP", "Button", "TP"},
    {"CBKEEPPTY", "Button", "PTY"},
    {"GroupBox2", "Button", "RS232 Port"},
    {"CBCOMP", "ComboBox", ""},
    {"RGSPEED", "Button", "Port Speed"},
    {"RGSPEED.0", "Button", "1200 bps"},
    {"RGSPEED.1", "Button", "2400 bps"},
    {"RGSPEED.2", "Button", "4800 bps"},
    {"RGSPEED.3", "Button", "9600 bps"},
    {"RGSPEED.4", "Button", "19200 bps"},
    {"GroupBox3", "Button", "TCP/IP Connect to RDS Encoder"},
    {"Label1", "Static", "Host:"},
    {"Label2", "Static", "Port:"},
    {"EHOST", "Edit", "127.0.0.1"},
    {"EPORT", "Edit", "23"},
    {"BUPDATE", "Button", "Connect / Update"},
    {"BDISCON", "Button", "Disconnect"},
    {"GroupBox6", "Button", "About"},
    {"Label6", "Static", "Tolvane plugin"},
    {"Label7", "Static", "Version 1.00"},
    {"URLLink1", "Static", "tolvane.example.org"},
    {"Label8", "Static", "\xc2\xa9 2026 The Tolvane developers"},
};

class Win32Window : public ::testing::Test {
protected:
    HWND Named(const char* name) const { return FindControl(m_window.Handle(), name); }
    bool ShownPage(int index) const {
        const std::string name = "TabSheet" + std::to_string(index + 1);
        return (GetWindowLongPtrW(Named(name.c_str()), GWL_STYLE) & WS_VISIBLE) != 0;
    }
    // The control's place on its tab page, as left, top, width and height.
    RECT PlaceOnPage(HWND control) const {
        RECT place{};
        GetWindowRect(control, &place);
        MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&place), 2);
        return {place.left, place.top, place.right - place.left, place.bottom - place.top};
    }

    TForm1Window m_window;
};

TEST(Win32WindowNames, EveryControlIsFoundByItsNameWithItsKindAndCaption) {
    TForm1Window window;
    for (const NamedControl& control : kNamedControls) {
        SCOPED_TRACE(control.name);
        const HWND found = FindControl(window.Handle(), control.name);
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(_stricmp(ClassOf(found).c_str(), control.kind), 0) << ClassOf(found);
        EXPECT_EQ(win32_controls::WindowText(found), control.caption);
    }
}

TEST(Win32WindowNames, NoControlCarriesTheNameOfAnother) {
    TForm1Window window;
    std::set<HWND> found;
    for (const NamedControl& control : kNamedControls) {
        found.insert(FindControl(window.Handle(), control.name));
    }
    EXPECT_EQ(found.size(), std::size(kNamedControls));
    EXPECT_EQ(FindControl(window.Handle(), "Form1"), window.Handle());
    EXPECT_EQ(FindControl(window.Handle(), "NoSuchControl"), nullptr);
}

TEST_F(Win32Window, IsMadeHiddenWithItsTitleAndClientSize) {
    EXPECT_FALSE(IsWindowVisible(m_window.Handle()));
    EXPECT_EQ(win32_controls::WindowText(m_window.Handle()), "Tolvane");
    RECT client{};
    GetClientRect(m_window.Handle(), &client);
    EXPECT_EQ(client.right, 417);
    EXPECT_EQ(client.bottom, 332);
}

// The window shows its own icon, big and small, drawn at the system's sizes.
TEST_F(Win32Window, CarriesItsIconBigAndSmall) {
    const std::pair<WPARAM, int> kinds[] = {{ICON_BIG, 32}, {ICON_SMALL, 16}};
    for (const auto& [kind, size] : kinds) {
        SCOPED_TRACE(size);
        const auto icon =
            reinterpret_cast<HICON>(SendMessageW(m_window.Handle(), WM_GETICON, kind, 0));
        ASSERT_NE(icon, nullptr);
        ICONINFO parts{};
        ASSERT_TRUE(GetIconInfo(icon, &parts));
        BITMAP picture{};
        GetObjectW(parts.hbmColor, sizeof picture, &picture);
        EXPECT_EQ(picture.bmWidth, size);
        EXPECT_EQ(picture.bmHeight, size);
        DeleteObject(parts.hbmColor);
        DeleteObject(parts.hbmMask);
    }
}

TEST_F(Win32Window, TabsCarryThePageTitlesInOrder) {
    const HWND tabs = Named("PageControl1");
    const char* titles[] = {"Statistics", "Group Filter", "RDS Encoder", "About"};
    ASSERT_EQ(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0), 4);
    for (int index = 0; index < 4; ++index) {
        wchar_t text[64] = {};
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = 64;
        SendMessageW(tabs, TCM_GETITEMW, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ(win32_controls::Narrow(text), titles[index]);
    }
}

TEST_F(Win32Window, ClickingATabShowsItsPageAlone) {
    ShowWindow(m_window.Handle(), SW_SHOW);
    const HWND tabs = Named("PageControl1");
    EXPECT_TRUE(ShownPage(0));
    for (int index : {2, 1, 3, 0}) {
        SCOPED_TRACE(index);
        RECT tab{};
        SendMessageW(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(&tab));
        const LPARAM where = MAKELPARAM((tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2);
        SendMessageW(tabs, WM_LBUTTONDOWN, MK_LBUTTON, where);
        SendMessageW(tabs, WM_LBUTTONUP, 0, where);
        for (int page = 0; page < 4; ++page) {
            EXPECT_EQ(ShownPage(page), page == index) << "page " << page;
        }
    }
}

TEST_F(Win32Window, CloseButtonHidesTheWindowAndKeepsIt) {
    ShowWindow(m_window.Handle(), SW_SHOW);
    SendMessageW(m_window.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(IsWindow(m_window.Handle()));
    EXPECT_FALSE(IsWindowVisible(m_window.Handle()));
    ShowWindow(m_window.Handle(), SW_SHOW);
    SendMessageW(m_window.Handle(), WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(m_window.Handle()));
}

struct Placed {
    const char* name;
    RECT place;  // left, top, width, height on the tab page
};

// The frames hold no controls on Win32: a control's place on the page is its frame's place
// plus its place in the frame.
TEST_F(Win32Window, ControlsSitAtTheirPlacesOnTheirPages) {
    const Placed placed[] = {
        {"GroupBox5", {8, 8, 393, 265}},    {"Label3", {32, 40, 184, 13}},
        {"LSTART", {216, 200, 177, 13}},    {"Button1", {168, 232, 75, 25}},
        {"CLBSHOW", {24, 32, 361, 110}},    {"SGMASK", {16, 176, 377, 84}},
        {"RGCON", {8, 80, 121, 73}},        {"CBBIDI", {160, 104, 97, 17}},
        {"CBKEEPTP", {296, 40, 73, 17}},    {"CBKEEPPTY", {296, 56, 73, 17}},
        {"EHOST", {64, 184, 185, 21}},      {"EPORT", {64, 208, 65, 21}},
        {"BUPDATE", {8, 248, 137, 25}},     {"BDISCON", {152, 248, 113, 25}},
        {"GroupBox6", {112, 80, 185, 121}}, {"Label8", {128, 168, 161, 13}},
    };
    for (const Placed& control : placed) {
        SCOPED_TRACE(control.name);
        const RECT place = PlaceOnPage(Named(control.name));
        EXPECT_EQ(place.left, control.place.left);
        EXPECT_EQ(place.top, control.place.top);
        EXPECT_EQ(place.right, control.place.right);
        EXPECT_EQ(place.bottom, control.place.bottom);
    }
}

// A frame drawn above the controls it surrounds would hide them: the page finds each control,
// not its frame, at the control's middle.
TEST_F(Win32Window, ControlsInAFrameAreAboveIt) {
    const char* inside[] = {"LR",     "Button1",  "CLBSHOW", "SGMASK",    "CBMODEL", "RGCON.0",
                            "CBBIDI", "CBKEEPPI", "CBCOMP",  "RGSPEED.4", "EHOST",   "Label8"};
    for (const char* name : inside) {
        SCOPED_TRACE(name);
        const HWND control = Named(name);
        const RECT place = PlaceOnPage(control);
        const POINT middle{place.left + place.right / 2, place.top + place.bottom / 2};
        EXPECT_EQ(ChildWindowFromPointEx(GetParent(control), middle, CWP_ALL), control);
    }
}

// The group list shows its 35 entries in five columns of seven whole rows, as the Linux list
// does: the eighth entry starts the second column, and no entry is out of sight.
TEST_F(Win32Window, GroupListShowsSevenWholeRowsPerColumn) {
    // Shown and painted, as the list lays itself out again then.
    ShowWindow(m_window.Handle(), SW_SHOW);
    SendMessageW(Named("PageControl1"), TCM_SETCURFOCUS, 1, 0);
    test_support::PumpMessagesFor(std::chrono::milliseconds(200));
    const HWND list = Named("CLBSHOW");
    RECT client{};
    GetClientRect(list, &client);
    // The list ends within its frame.
    EXPECT_LE(PlaceOnPage(list).top + PlaceOnPage(list).bottom,
              PlaceOnPage(Named("GroupBox8")).top + PlaceOnPage(Named("GroupBox8")).bottom - 2);
    RECT seventh{LVIR_BOUNDS, 0, 0, 0};
    ASSERT_NE(SendMessageW(list, LVM_GETITEMRECT, 6, reinterpret_cast<LPARAM>(&seventh)), 0);
    RECT eighth{LVIR_BOUNDS, 0, 0, 0};
    ASSERT_NE(SendMessageW(list, LVM_GETITEMRECT, 7, reinterpret_cast<LPARAM>(&eighth)), 0);
    EXPECT_LE(seventh.bottom, client.bottom);
    EXPECT_EQ(eighth.top, 0);
    EXPECT_EQ(eighth.left - seventh.left, 70);
    EXPECT_EQ(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0), 35);
}

// The longest captions of the layout keep to their room: the statistics captions end before the
// values, the option ticks within their box.
TEST_F(Win32Window, LongestCaptionsFitTheirRoom) {
    const char* fitting[] = {"Label10", "Label9",  "Label11", "Label13",
                             "CBBIDI",  "CBLIMIT", "Label8",  "GroupBox4"};
    for (const char* name : fitting) {
        SCOPED_TRACE(name);
        const HWND control = Named(name);
        const std::wstring text = win32_controls::Widen(win32_controls::WindowText(control));
        const HDC dc = GetDC(control);
        const HGDIOBJ old =
            SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        SelectObject(dc, old);
        ReleaseDC(control, dc);
        // A tick box's own square and its gap take about 16 pixels of its width, and a frame's
        // caption sits between about 8 pixels of line on either side.
        const std::string control_name(name);
        const bool framed =
            control_name.rfind("CB", 0) == 0 || control_name.rfind("GroupBox", 0) == 0;
        // PlaceOnPage gives the width in its right member.
        EXPECT_LE(size.cx + (framed ? 16 : 0), PlaceOnPage(control).right);
    }
}

// Tab visits each radio group once, at its checked button.
TEST_F(Win32Window, EncoderTabKeyboardOrderVisitsEachRadioGroupOnce) {
    const HWND page = Named("TabSheet3");
    ShowWindow(m_window.Handle(), SW_SHOW);
    SendMessageW(Named("PageControl1"), TCM_SETCURSEL, 2, 0);
    ShowWindow(page, SW_SHOW);
    const char* order[] = {"CBMODEL",   "RGCON.2", "CBBIDI",  "CBLIMIT",  "CBCOMP",
                           "RGSPEED.1", "EHOST",   "EPORT",   "CBKEEPPI", "CBKEEPPTY",
                           "CBKEEPTP",  "BUPDATE", "BDISCON", "CBMODEL"};
    for (std::size_t i = 1; i < std::size(order); ++i) {
        EXPECT_EQ(GetNextDlgTabItem(page, Named(order[i - 1]), FALSE), Named(order[i]))
            << order[i - 1] << " -> " << order[i];
    }
}

// A host's message loop calls no dialog manager: the window's own keyboard hook moves the focus.
TEST_F(Win32Window, TabKeyMovesTheFocusThroughTheHostsMessageLoop) {
    ShowWindow(m_window.Handle(), SW_SHOW);
    SetForegroundWindow(m_window.Handle());
    SendMessageW(Named("PageControl1"), TCM_SETCURFOCUS, 2, 0);
    ASSERT_TRUE(IsWindowVisible(Named("EHOST")));
    SetFocus(Named("EHOST"));
    ASSERT_EQ(GetFocus(), Named("EHOST"));
    PostMessageW(Named("EHOST"), WM_KEYDOWN, VK_TAB, 1);
    EXPECT_TRUE(test_support::PumpMessagesUntil([&] { return GetFocus() == Named("EPORT"); },
                                                std::chrono::seconds(2)));
    // Typing still reaches the control; Tab selected the edit's whole text, as in any dialog.
    PostMessageW(Named("EPORT"), WM_CHAR, L'7', 1);
    test_support::PumpMessagesFor(std::chrono::milliseconds(100));
    EXPECT_EQ(win32_controls::WindowText(Named("EPORT")), "7");
}

TEST_F(Win32Window, ClickingAnotherRadioButtonMovesTheGroupsTabStop) {
    SendMessageW(Named("RGCON.1"), BM_CLICK, 0, 0);
    EXPECT_EQ(m_window.Controls().RGCON->ItemIndex(), 1);
    const HWND page = Named("TabSheet3");
    EXPECT_EQ(GetNextDlgTabItem(page, Named("CBMODEL"), FALSE), Named("RGCON.1"));
}

TEST_F(Win32Window, EveryControlWritesInTheSystemsMessageFontOrANarrowerCut) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0));
    for (const NamedControl& control : kNamedControls) {
        if (std::string(control.kind) == "TolvanePage") {
            continue;  // a page shows no text of its own
        }
        SCOPED_TRACE(control.name);
        const auto font =
            reinterpret_cast<HFONT>(SendMessageW(Named(control.name), WM_GETFONT, 0, 0));
        ASSERT_NE(font, nullptr);
        LOGFONTW used{};
        GetObjectW(font, sizeof used, &used);
        EXPECT_EQ(std::wstring(used.lfFaceName), std::wstring(metrics.lfMessageFont.lfFaceName));
        // The group list may take a lower cut to fit seven rows; it never takes a taller one.
        if (std::string(control.name) == "CLBSHOW") {
            EXPECT_LE(std::abs(used.lfHeight), std::abs(metrics.lfMessageFont.lfHeight));
            EXPECT_GE(std::abs(used.lfHeight), std::abs(metrics.lfMessageFont.lfHeight) - 2);
        } else {
            EXPECT_EQ(used.lfHeight, metrics.lfMessageFont.lfHeight);
        }
        EXPECT_TRUE(used.lfWidth == 0 || used.lfWidth < metrics.lfMessageFont.lfWidth ||
                    metrics.lfMessageFont.lfWidth == 0);
    }
}

bool Underlined(HWND control) {
    LOGFONTW used{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof used,
               &used);
    return used.lfUnderline != 0;
}

// The About tab's link opens its address on a left click released over it, through the opener
// that the test puts in the browser's place; released elsewhere, it opens nothing.
TEST_F(Win32Window, LinkOpensItsAddressWhenClickedAndReleasedOverIt) {
    std::vector<std::string> opened;
    m_window.SetUrlOpener([&](const std::string& address) { opened.push_back(address); });
    const HWND link = Named("URLLink1");
    SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    SendMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    EXPECT_EQ(opened, std::vector<std::string>{"https://tolvane.example.org/"});
    SendMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    SendMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(4, 400));
    EXPECT_EQ(opened.size(), 1u);
}

// Underlined with a hand over it; the underline goes while the mouse is over the link.
TEST_F(Win32Window, LinkShowsAHandAndLosesItsUnderlineUnderTheMouse) {
    const HWND link = Named("URLLink1");
    EXPECT_TRUE(Underlined(link));
    SendMessageW(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));
    SendMessageW(link, WM_MOUSEMOVE, 0, MAKELPARAM(4, 4));
    EXPECT_FALSE(Underlined(link));
    SendMessageW(link, WM_MOUSELEAVE, 0, 0);
    EXPECT_TRUE(Underlined(link));
}

TEST_F(Win32Window, StartsTheTimersAsTheHandlersExpectThem) {
    const TForm1Controls& controls = m_window.Controls();
    EXPECT_TRUE(controls.TTimerSend->Active());
    EXPECT_EQ(controls.TTimerSend->Interval(), 70);
    EXPECT_TRUE(controls.TimerRxD->Active());
    EXPECT_EQ(controls.TimerRxD->Interval(), 5);
    EXPECT_FALSE(controls.TCPCon->Active());
    EXPECT_EQ(controls.TCPCon->Interval(), 30000);
    EXPECT_TRUE(controls.TimerPerSec->Active());
    EXPECT_EQ(controls.TimerPerSec->Interval(), 2978);
}

// A handler that throws must not take the host's message loop down with it.
TEST_F(Win32Window, ProcedureCatchesWhatATimerHandlerThrows) {
    int ticks = 0;
    win32_controls::Win32Timer& timer = m_window.Timer("TCPCon");
    timer.SetOnTimer([&] {
        ++ticks;
        throw std::runtime_error("handler failed");
    });
    timer.SetInterval(10);
    timer.Start();
    EXPECT_TRUE(test_support::PumpMessagesUntil([&] { return ticks >= 2; }));
    EXPECT_TRUE(timer.Active());
}

}  // namespace
