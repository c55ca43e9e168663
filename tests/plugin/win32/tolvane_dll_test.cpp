// Drives tolvane.dll as a Windows host does: loaded with LoadLibrary from the folder that holds
// it and kovadex.dll, reached only through its four exports and its controls found by name.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "plugin/win32/win32_window.h"
#include "support/win32_message_pump.h"
#include "support/win32_tcp_test_server.h"

namespace {

using namespace std::chrono_literals;

struct GroupRecord {
    int32_t fields[7];
};
static_assert(sizeof(GroupRecord) == 28);

using PluginNameCall = const char*(__cdecl*)();
using InitializeCall = void*(__stdcall*)(uint32_t hostWindow, int32_t hostValue);
using CommandCall = void(__stdcall*)(const char* text, int32_t workspace);
using RDSGroupCall = void(__stdcall*)(const GroupRecord* group);

GroupRecord Group(int32_t block1, int32_t block2, int32_t block3, int32_t block4) {
    return {{0, 0, 0, block1, block2, block3, block4}};
}

// The folder of this program, where the build puts tolvane.dll and kovadex.dll beside it.
std::string DllPath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of("\\/") + 1) + "tolvane.dll";
}

class TolvaneDll : public ::testing::Test {
protected:
    void SetUp() override {
        module = LoadLibraryA(DllPath().c_str());
        ASSERT_NE(module, nullptr) << "LoadLibrary failed with " << GetLastError();
        PluginName = Resolve<PluginNameCall>(1);
        Initialize = Resolve<InitializeCall>(2);
        Command = Resolve<CommandCall>(3);
        RDSGroup = Resolve<RDSGroupCall>(4);
    }
    void TearDown() override {
        if (module != nullptr) {
            EXPECT_TRUE(FreeLibrary(module));
        }
    }

    // By ordinal, and checked against the name, as hosts bind either way.
    template <typename Call>
    Call Resolve(int ordinal) {
        const FARPROC byOrdinal = GetProcAddress(module, MAKEINTRESOURCEA(ordinal));
        const char* names[] = {"", "PluginName", "Initialize", "Command", "RDSGroup"};
        EXPECT_EQ(byOrdinal, GetProcAddress(module, names[ordinal])) << names[ordinal];
        return reinterpret_cast<Call>(reinterpret_cast<void (*)()>(byOrdinal));
    }

    HWND Start() {
        window = static_cast<HWND>(Initialize(0, 42));
        return window;
    }
    HWND Control(const char* name) const {
        const HWND control = win32_window::FindControl(window, name);
        EXPECT_NE(control, nullptr) << "no control named " << name;
        return control;
    }
    std::string Text(const char* name) const {
        char text[256] = {};
        GetWindowTextA(Control(name), text, sizeof text);
        return text;
    }
    void SetText(const char* name, const char* text) const { SetWindowTextA(Control(name), text); }
    void SetTick(const char* name, bool ticked) const {
        SendMessageA(Control(name), BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    bool Ticked(const char* name) const {
        return SendMessageA(Control(name), BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    // A click as the button's page reports it, whichever tab is shown.
    void Click(const char* name) const {
        const HWND button = Control(name);
        SendMessageA(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
    }
    void TickGroup(int entry, bool ticked) const {
        ListView_SetCheckState(Control("CLBSHOW"), entry, ticked);
    }
    bool GroupTicked(int entry) const {
        return ListView_GetCheckState(Control("CLBSHOW"), entry) != 0;
    }

    HMODULE module = nullptr;
    HWND window = nullptr;
    PluginNameCall PluginName = nullptr;
    InitializeCall Initialize = nullptr;
    CommandCall Command = nullptr;
    RDSGroupCall RDSGroup = nullptr;
};

TEST_F(TolvaneDll, PluginNameIsTheSamePointerBeforeAndAfterInitialize) {
    const char* first = PluginName();
    EXPECT_STREQ(first, "Tolvane");
    EXPECT_EQ(PluginName(), first);
    ASSERT_NE(Start(), nullptr);
    EXPECT_EQ(PluginName(), first);
}

TEST_F(TolvaneDll, InitializeMakesOneHiddenWindowAndReturnsItAgain) {
    ASSERT_NE(Start(), nullptr);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(win32_window::FindControl(window, "Form1"), window);
    EXPECT_EQ(Initialize(0, 43), window);
}

TEST_F(TolvaneDll, TheWindowIsOwnedByTheHostWindowItWasGiven) {
    const HWND host = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPED, 0, 0, 100, 100, nullptr,
                                      nullptr, nullptr, nullptr);
    ASSERT_NE(host, nullptr);
    window =
        static_cast<HWND>(Initialize(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(host)), 1));
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetWindow(window, GW_OWNER), host);
    EXPECT_TRUE(FreeLibrary(module));
    module = nullptr;
    DestroyWindow(host);
}

TEST_F(TolvaneDll, CallsBeforeInitializeAndNullArgumentsDoNothing) {
    const GroupRecord group = Group(0x6204, 0x0130, 0x966B, 0x594C);
    Command("SHOW", 0);
    RDSGroup(&group);
    RDSGroup(nullptr);
    Command(nullptr, 0);
    ASSERT_NE(Start(), nullptr);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(Text("LR"), "LR");
}

TEST_F(TolvaneDll, AGroupThroughRDSGroupIsCountedOnTheLabel) {
    ASSERT_NE(Start(), nullptr);
    const GroupRecord group = Group(0x6204, 0x0130, 0x966B, 0x594C);
    RDSGroup(&group);
    EXPECT_EQ(Text("LR"), "1");
    RDSGroup(&group);
    EXPECT_EQ(Text("LR"), "2");
}

TEST_F(TolvaneDll, FreeLibraryWithTheWindowShownRemovesIt) {
    ASSERT_NE(Start(), nullptr);
    Command("SHOW", 0);
    ASSERT_TRUE(IsWindowVisible(window));
    test_support::PumpMessagesFor(100ms);
    EXPECT_TRUE(FreeLibrary(module));
    module = nullptr;
    EXPECT_FALSE(IsWindow(window));
    test_support::PumpMessagesFor(100ms);
}

TEST_F(TolvaneDll, AReloadStartsAFreshInstance) {
    ASSERT_NE(Start(), nullptr);
    const GroupRecord group = Group(0x6204, 0x0130, 0x966B, 0x594C);
    RDSGroup(&group);
    ASSERT_TRUE(FreeLibrary(module));
    module = nullptr;
    SetUp();
    ASSERT_NE(Start(), nullptr);
    EXPECT_EQ(Text("LR"), "LR");
    RDSGroup(&group);
    EXPECT_EQ(Text("LR"), "1");
}

}  // namespace
