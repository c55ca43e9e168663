#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <chrono>
#include <string>

#include "plugin/win32/win32_window.h"
#include "support/win32_message_pump.h"

namespace {

using namespace std::chrono_literals;
using win32_controls::Narrow;
using win32_controls::Widen;
using win32_window::FindControl;

// Texts that lose characters in any 8-bit code page: Latin-1, beyond Latin-1, and a character
// outside the basic plane (a surrogate pair in UTF-16).
const char* const kTexts[] = {
    "",
    "127.0.0.1",
    "Stra\xc3\x9f"
    "e \xc2\xa9",
    "\xd0\xa0\xd0\x94\xd0\xa1 \xe2\x82\xac",
    "\xf0\x9f\x93\xbb radio",
};

class Win32Controls : public ::testing::Test {
protected:
    HWND Named(const char* name) const { return FindControl(m_window.Handle(), name); }
    const TForm1Controls& Ui() const { return m_window.Controls(); }

    win32_window::TForm1Window m_window;
};

TEST(Win32Text, Utf8RoundTripsThroughUtf16) {
    for (const char* text : kTexts) {
        EXPECT_EQ(Narrow(Widen(text)), text);
    }
    EXPECT_EQ(Widen("\xf0\x9f\x93\xbb").size(), 2u);
}

TEST_F(Win32Controls, TextsReachTheControlsAsCharactersAndComeBackUnchanged) {
    for (const char* text : kTexts) {
        SCOPED_TRACE(text);
        Ui().LR->SetText(text);
        EXPECT_EQ(Narrow(Widen(text)), win32_controls::WindowText(Named("LR")));
        wchar_t shown[64] = {};
        GetWindowTextW(Named("LR"), shown, 64);
        EXPECT_EQ(std::wstring(shown), Widen(text));
        Ui().EHOST->SetText(text);
        EXPECT_EQ(Ui().EHOST->Text(), text);
        Ui().StatusBar1->SetText(text);
        EXPECT_EQ(Ui().StatusBar1->Text(), text);
        Ui().SGMASK->SetCellText(1, 2, text);
        EXPECT_EQ(Ui().SGMASK->CellText(1, 2), text);
    }
}

TEST_F(Win32Controls, EditTypingLimitsAreTheWindowsOnes) {
    EXPECT_EQ(SendMessageW(Named("EHOST"), EM_GETLIMITTEXT, 0, 0), 255);
    EXPECT_EQ(SendMessageW(Named("EPORT"), EM_GETLIMITTEXT, 0, 0), 5);
}

struct CutCase {
    const char* text;
    const char* kept;
};

// The limit counts UTF-16 units, and a character is never cut in half.
TEST_F(Win32Controls, EditCutsATextLongerThanItsLimit) {
    const CutCase cases[] = {
        {"12345", "12345"},
        {"123456", "12345"},
        {"\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9",
         "\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9"},
        {"1234\xf0\x9f\x93\xbb", "1234"},
        {"123\xf0\x9f\x93\xbb", "123\xf0\x9f\x93\xbb"},
    };
    for (const CutCase& cut : cases) {
        SCOPED_TRACE(cut.text);
        Ui().EPORT->SetText(cut.text);
        EXPECT_EQ(Ui().EPORT->Text(), cut.kept);
    }
}

TEST_F(Win32Controls, EditCountsLengthsInUtf16Units) {
    EXPECT_EQ(Ui().EHOST->LengthOf(""), 0);
    EXPECT_EQ(Ui().EHOST->LengthOf("abc"), 3);
    EXPECT_EQ(Ui().EHOST->LengthOf("\xc3\xa9"), 1);
    EXPECT_EQ(Ui().EHOST->LengthOf("\xf0\x9f\x93\xbb"), 2);
}

TEST_F(Win32Controls, EditMaxLengthChangesTheLimitOfTyping) {
    Ui().EHOST->SetMaxLength(3);
    EXPECT_EQ(SendMessageW(Named("EHOST"), EM_GETLIMITTEXT, 0, 0), 3);
    Ui().EHOST->SetText("127.0.0.1");
    EXPECT_EQ(Ui().EHOST->Text(), "127");
}

struct IndexCase {
    int set;
    int read;
};

TEST_F(Win32Controls, ComboItemIndexOutsideTheItemsIsNoSelection) {
    SendMessageW(Named("CBCOMP"), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"COM1"));
    SendMessageW(Named("CBCOMP"), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"COM2"));
    const IndexCase cases[] = {{1, 1}, {-1, -1}, {0, 0}, {2, -1}, {1, 1}, {1000, -1}};
    for (const IndexCase& index : cases) {
        SCOPED_TRACE(index.set);
        Ui().CBCOMP->SetItemIndex(index.set);
        EXPECT_EQ(Ui().CBCOMP->ItemIndex(), index.read);
    }
}

TEST_F(Win32Controls, RadioGroupIndexOutsideTheItemsSelectsNone) {
    ASSERT_EQ(Ui().RGSPEED->Count(), 5);
    ASSERT_EQ(Ui().RGCON->Count(), 3);
    const IndexCase cases[] = {{1, 1}, {-1, -1}, {4, 4}, {5, -1}, {0, 0}, {-7, -1}};
    for (const IndexCase& index : cases) {
        SCOPED_TRACE(index.set);
        Ui().RGSPEED->SetItemIndex(index.set);
        EXPECT_EQ(Ui().RGSPEED->ItemIndex(), index.read);
        int checked = 0;
        for (int item = 0; item < 5; ++item) {
            const std::string name = "RGSPEED." + std::to_string(item);
            checked += SendMessageW(Named(name.c_str()), BM_GETCHECK, 0, 0) == BST_CHECKED;
        }
        EXPECT_EQ(checked, index.read < 0 ? 0 : 1);
    }
}

// One tab stop per group: the checked button, or the first one while none is checked.
TEST_F(Win32Controls, RadioGroupKeepsOneTabStopAtItsCheckedButton) {
    const IndexCase cases[] = {{2, 2}, {-1, 0}, {0, 0}, {1, 1}};
    for (const IndexCase& index : cases) {
        SCOPED_TRACE(index.set);
        Ui().RGCON->SetItemIndex(index.set);
        for (int item = 0; item < 3; ++item) {
            const std::string name = "RGCON." + std::to_string(item);
            const bool stop = (GetWindowLongPtrW(Named(name.c_str()), GWL_STYLE) & WS_TABSTOP) != 0;
            EXPECT_EQ(stop, item == index.read) << name;
        }
    }
}

TEST_F(Win32Controls, CheckListIgnoresItemsOutsideTheList) {
    ASSERT_EQ(Ui().CLBSHOW->Count(), 35);
    for (int item : {-1, 35, 1000}) {
        SCOPED_TRACE(item);
        Ui().CLBSHOW->SetChecked(item, true);
        EXPECT_FALSE(Ui().CLBSHOW->Checked(item));
    }
    for (int item = 0; item < 35; ++item) {
        EXPECT_FALSE(Ui().CLBSHOW->Checked(item)) << item;
    }
}

TEST_F(Win32Controls, CheckListTicksTheItemItIsToldAndNoOther) {
    for (int item : {0, 17, 34}) {
        SCOPED_TRACE(item);
        Ui().CLBSHOW->SetChecked(item, true);
        EXPECT_TRUE(Ui().CLBSHOW->Checked(item));
        EXPECT_NE(ListView_GetCheckState(Named("CLBSHOW"), item), 0u);
        int ticked = 0;
        for (int other = 0; other < 35; ++other) {
            ticked += Ui().CLBSHOW->Checked(other) ? 1 : 0;
        }
        EXPECT_EQ(ticked, 1);
        Ui().CLBSHOW->SetChecked(item, false);
        EXPECT_FALSE(Ui().CLBSHOW->Checked(item));
    }
}

struct Cell {
    int row;
    int column;
};

TEST_F(Win32Controls, GridCellOutsideReadsEmptyAndIgnoresWrites) {
    const Cell outside[] = {{-1, 0}, {0, -1}, {4, 0}, {0, 4}, {4, 4}, {-1, -1}, {1000, 1}};
    for (const Cell& cell : outside) {
        SCOPED_TRACE(std::to_string(cell.row) + "," + std::to_string(cell.column));
        Ui().SGMASK->SetCellText(cell.row, cell.column, "X");
        EXPECT_EQ(Ui().SGMASK->CellText(cell.row, cell.column), "");
    }
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            EXPECT_EQ(Ui().SGMASK->CellText(row, column), "") << row << "," << column;
        }
    }
}

// A host or a test holds only the grid's handle: the cells by message, a short buffer cut.
TEST_F(Win32Controls, GridAnswersForItsCellsByMessage) {
    const HWND grid = Named("SGMASK");
    const auto send = [&](UINT message, win32_controls::GridCellRequest request) {
        return SendMessageW(grid, message, 0, reinterpret_cast<LPARAM>(&request));
    };
    wchar_t written[] = L"10?1-\u00e9";
    EXPECT_EQ(send(win32_controls::kGridSetCell, {2, 3, written, 7}), 1);
    EXPECT_EQ(Ui().SGMASK->CellText(2, 3), "10?1-\xc3\xa9");
    wchar_t read[8] = {L'x', L'x', L'x', L'x', L'x', L'x', L'x', L'x'};
    EXPECT_EQ(send(win32_controls::kGridGetCell, {2, 3, read, 8}), 6);
    EXPECT_EQ(std::wstring(read), L"10?1-\u00e9");
    wchar_t shortBuffer[4] = {L'x', L'x', L'x', L'x'};
    EXPECT_EQ(send(win32_controls::kGridGetCell, {2, 3, shortBuffer, 4}), 6);
    EXPECT_EQ(std::wstring(shortBuffer), L"10?");
    const Cell outside[] = {{-1, 0}, {0, 4}, {4, 1}};
    for (const Cell& cell : outside) {
        SCOPED_TRACE(std::to_string(cell.row) + "," + std::to_string(cell.column));
        EXPECT_EQ(send(win32_controls::kGridSetCell, {cell.row, cell.column, written, 7}), 0);
        wchar_t empty[4] = {L'x', L'x', L'x', L'x'};
        EXPECT_EQ(send(win32_controls::kGridGetCell, {cell.row, cell.column, empty, 4}), 0);
        EXPECT_EQ(empty[0], L'\0');
    }
}

TEST_F(Win32Controls, GridCurrentCellIsTheOneWithTheCaret) {
    Ui().SGMASK->SetCellText(1, 1, "1x0");
    EXPECT_EQ(Ui().SGMASK->CurrentCellText(), "1x0");
    SendMessageW(Named("SGMASK"), WM_KEYDOWN, VK_RIGHT, 0);
    Ui().SGMASK->SetCellText(1, 2, "01");
    EXPECT_EQ(Ui().SGMASK->CurrentCellText(), "01");
    // The caret never enters the fixed header row or column.
    SendMessageW(Named("SGMASK"), WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ(Ui().SGMASK->CurrentCellText(), "01");
}

// The key rules belong to the handler: the grid only passes each typed character through it.
TEST_F(Win32Controls, GridPassesTypedCharactersThroughTheKeyHandler) {
    std::u16string seen;
    win32_controls::SetGridEvents(Named("SGMASK"), {[&](char16_t& key) {
                                                        seen.push_back(key);
                                                        if (key == u'a') {
                                                            key = 0;
                                                        } else if (key == u'x') {
                                                            key = u'X';
                                                        }
                                                    },
                                                    nullptr});
    for (wchar_t typed : {L'1', L'a', L'x', L'0', L'\b', L'0'}) {
        SendMessageW(Named("SGMASK"), WM_CHAR, typed, 0);
    }
    EXPECT_EQ(seen, u"1ax0\b0");
    EXPECT_EQ(Ui().SGMASK->CellText(1, 1), "1X0");
}

TEST_F(Win32Controls, GridReportsTheCaretLeavingIt) {
    int exits = 0;
    win32_controls::SetGridEvents(Named("SGMASK"), {nullptr, [&] { ++exits; }});
    ShowWindow(m_window.Handle(), SW_SHOW);
    SetFocus(Named("SGMASK"));
    ASSERT_EQ(GetFocus(), Named("SGMASK"));
    EXPECT_EQ(exits, 0);
    SetFocus(Named("CLBSHOW"));
    EXPECT_EQ(exits, 1);
}

TEST_F(Win32Controls, TickBoxAndButtonDoWhatTheyAreTold) {
    EXPECT_TRUE(Ui().CBBIDI->Checked());
    Ui().CBBIDI->SetChecked(false);
    EXPECT_FALSE(Ui().CBBIDI->Checked());
    EXPECT_EQ(SendMessageW(Named("CBBIDI"), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    Ui().CBBIDI->SetChecked(true);
    EXPECT_TRUE(Ui().CBBIDI->Checked());
    Ui().BUPDATE->SetEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(Named("BUPDATE")));
    Ui().BUPDATE->SetEnabled(true);
    EXPECT_TRUE(IsWindowEnabled(Named("BUPDATE")));
}

class Win32TimerTest : public Win32Controls {
protected:
    void SetUp() override {
        m_timer.SetOnTimer([this] { ++m_ticks; });
    }
    bool TicksWithin(std::chrono::milliseconds period) {
        return test_support::PumpMessagesUntil([this] { return m_ticks > 0; }, period);
    }

    win32_controls::Win32Timer& m_timer = m_window.Timer("TCPCon");
    int m_ticks = 0;
};

TEST_F(Win32TimerTest, StartsStoppedAndTicksOnceStarted) {
    EXPECT_FALSE(m_timer.Active());
    m_timer.SetInterval(20);
    EXPECT_FALSE(m_timer.Active());
    test_support::PumpMessagesFor(100ms);
    EXPECT_EQ(m_ticks, 0);
    m_timer.Start();
    EXPECT_TRUE(m_timer.Active());
    EXPECT_TRUE(TicksWithin(2s));
}

// WM_TIMER that was due before the timer stopped is not delivered afterwards.
TEST_F(Win32TimerTest, StoppedTimerDeliversNoTickThatWasDue) {
    m_timer.SetInterval(10);
    m_timer.Start();
    Sleep(100);
    m_timer.Stop();
    EXPECT_FALSE(m_timer.Active());
    test_support::PumpMessagesFor(200ms);
    EXPECT_EQ(m_ticks, 0);
}

// Each case: what restarts (or keeps) the period of a running 1 s timer 600 ms in.
struct RestartCase {
    const char* what;
    void (*act)(ui::Timer&);
    bool restarts;
};

const RestartCase kRestartCases[] = {
    {"Start", [](ui::Timer& timer) { timer.Start(); }, true},
    {"SetInterval to the same value", [](ui::Timer& timer) { timer.SetInterval(1000); }, true},
    {"SetIntervalIfChanged to the same value",
     [](ui::Timer& timer) { ui::SetIntervalIfChanged(timer, 1000); }, false},
};

// Generous bounds: the first tick is due at 1000 ms, a restarted one at 1600 ms.
TEST_F(Win32TimerTest, RestartingStartsThePeriodAnewAndKeepingKeepsIt) {
    for (const RestartCase& restart : kRestartCases) {
        SCOPED_TRACE(restart.what);
        m_ticks = 0;
        m_timer.SetInterval(1000);
        m_timer.Start();
        test_support::PumpMessagesFor(600ms);
        ASSERT_EQ(m_ticks, 0);
        restart.act(m_timer);
        EXPECT_TRUE(m_timer.Active());
        EXPECT_EQ(m_timer.Interval(), 1000);
        test_support::PumpMessagesFor(700ms);
        EXPECT_EQ(m_ticks > 0, !restart.restarts);
        m_timer.Stop();
    }
}

TEST_F(Win32Controls, WindowShowsHidesMovesAndRestores) {
    ui::Window& window = *Ui().Form1;
    EXPECT_FALSE(window.Visible());
    window.SetVisible(true);
    EXPECT_TRUE(window.Visible());
    window.MoveTo(40, 30);
    RECT outer{};
    GetWindowRect(m_window.Handle(), &outer);
    const ScreenRect frame = window.Frame();
    EXPECT_EQ(frame.left, 40);
    EXPECT_EQ(frame.top, 30);
    EXPECT_EQ(frame.width, outer.right - outer.left);
    EXPECT_EQ(frame.height, outer.bottom - outer.top);
    ShowWindow(m_window.Handle(), SW_MINIMIZE);
    EXPECT_TRUE(window.Minimized());
    window.Restore();
    EXPECT_FALSE(window.Minimized());
    window.SetVisible(false);
    EXPECT_FALSE(window.Visible());
}

TEST_F(Win32Controls, WindowSeesTheMonitorsOfTheDesktop) {
    const std::optional<ScreenLayout> screens = Ui().Form1->Screens();
    ASSERT_TRUE(screens.has_value());
    ASSERT_FALSE(screens->monitors.empty());
    EXPECT_GT(screens->primary.width, 0);
    EXPECT_GE(screens->virtualDesktop.width, screens->primary.width);
}

TEST_F(Win32Controls, SystemGivesTheUsersDateTimeAndDecimalSeparator) {
    const std::string now = Ui().System->LocalDateAndTimeText();
    EXPECT_NE(now.find(' '), std::string::npos) << now;
    EXPECT_GT(now.size(), 8u) << now;
    const std::string separator = Ui().System->DecimalSeparator();
    EXPECT_FALSE(separator.empty());
    wchar_t expected[8] = {};
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, expected, 8);
    EXPECT_EQ(separator, Narrow(expected));
}

}  // namespace
