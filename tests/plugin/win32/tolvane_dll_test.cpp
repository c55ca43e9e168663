// Drives tolvane.dll as a Windows host does: loaded with LoadLibrary from the folder that holds
// it and kovadex.dll, reached only through its four exports and its controls found by name.
#include <winsock2.h>

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <tlhelp32.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "plugin/win32/win32_window.h"
#include "support/win32_message_pump.h"
#include "support/win32_pty_far_end.h"
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

    std::string StatusText() const {
        char text[256] = {};
        SendMessageA(Control("StatusBar1"), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
        return text;
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

// Destroying the owner destroys the plug-in's window with it; the instance lives on without a
// window until the unload, which then must not touch the window again.
TEST_F(TolvaneDll, FreeLibraryAfterTheHostWindowWasDestroyedSucceeds) {
    const HWND host = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPED, 0, 0, 100, 100, nullptr,
                                      nullptr, nullptr, nullptr);
    ASSERT_NE(host, nullptr);
    window =
        static_cast<HWND>(Initialize(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(host)), 1));
    ASSERT_NE(window, nullptr);
    Command("SHOW", 0);
    test_support::PumpMessagesFor(100ms);
    DestroyWindow(host);
    EXPECT_FALSE(IsWindow(window));
    const GroupRecord group = Group(0x6204, 0x0130, 0x966B, 0x594C);
    RDSGroup(&group);
    Command("SHOW", 0);
    test_support::PumpMessagesFor(200ms);
    EXPECT_TRUE(FreeLibrary(module));
    module = nullptr;
    test_support::PumpMessagesFor(100ms);
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

TEST_F(TolvaneDll, EnterInTheHostFieldSplitsOffThePortAsLeavingItDoes) {
    ASSERT_NE(Start(), nullptr);
    Command("SHOW", 0);
    SendMessageW(Control("PageControl1"), TCM_SETCURSEL, 2, 0);
    ShowWindow(Control("TabSheet3"), SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(Control("EHOST"));
    SetText("EHOST", "encoder.local:4001");
    PostMessageA(Control("EHOST"), WM_KEYDOWN, VK_RETURN, 1);
    PostMessageA(Control("EHOST"), WM_CHAR, '\r', 1);
    PostMessageA(Control("EHOST"), WM_KEYUP, VK_RETURN, 0xC0000001);
    test_support::PumpMessagesFor(100ms);
    EXPECT_EQ(GetFocus(), Control("EHOST"));
    EXPECT_EQ(Text("EHOST"), "encoder.local");
    EXPECT_EQ(Text("EPORT"), "4001");
}

// A stored place beyond the desktop's far edges is pulled back to end at them; one left of or
// above every monitor is centred on the primary one.
TEST_F(TolvaneDll, AStoredPlaceOffTheDesktopIsBroughtBackOntoIt) {
    using SaveIntegerCall = int32_t(__stdcall*)(int32_t, const char*, const char*, int32_t);
    const std::string store = DllPath().substr(0, DllPath().size() - 11) + "kovadex.dll";
    const HMODULE settings = GetModuleHandleA(store.c_str());
    ASSERT_NE(settings, nullptr);
    const auto save = reinterpret_cast<SaveIntegerCall>(
        reinterpret_cast<void (*)()>(GetProcAddress(settings, "SaveInteger")));
    ASSERT_NE(save, nullptr);
    ASSERT_NE(Start(), nullptr);
    RECT frame{};
    GetWindowRect(window, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    MONITORINFO primary{};
    primary.cbSize = sizeof primary;
    GetMonitorInfoA(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &primary);
    const RECT screen = primary.rcMonitor;
    struct Case {
        int32_t left;
        int32_t top;
        POINT expected;
    };
    const Case cases[] = {
        {100000,
         100000,
         {GetSystemMetrics(SM_CXVIRTUALSCREEN) - width,
          GetSystemMetrics(SM_CYVIRTUALSCREEN) - height}},
        {-100000,
         -100000,
         {screen.left + (screen.right - screen.left - width) / 2,
          screen.top + (screen.bottom - screen.top - height) / 2}},
    };
    int32_t workspace = 31;
    for (const Case& stored : cases) {
        SCOPED_TRACE(stored.left);
        save(workspace, "tolvane", "Left", stored.left);
        save(workspace, "tolvane", "Top", stored.top);
        Command("OPENWORKSPACE", workspace++);
        GetWindowRect(window, &frame);
        EXPECT_EQ(frame.left, stored.expected.x);
        EXPECT_EQ(frame.top, stored.expected.y);
    }
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

// The window's icons, fonts and images go with the library: a load, show and unload cycle
// leaves as many GDI objects as it found.
TEST_F(TolvaneDll, AnUnloadLeavesNoGdiObjectBehind) {
    ASSERT_NE(Start(), nullptr);
    Command("SHOW", 0);
    test_support::PumpMessagesFor(100ms);
    EXPECT_TRUE(FreeLibrary(module));
    module = nullptr;
    const DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (before == 0) {
        GTEST_SKIP() << "this system does not count GDI objects (Wine's GetGuiResources gives 0)";
    }
    for (int cycle = 0; cycle < 2; ++cycle) {
        SetUp();
        ASSERT_NE(Start(), nullptr);
        Command("SHOW", 0);
        test_support::PumpMessagesFor(100ms);
        EXPECT_TRUE(FreeLibrary(module));
        module = nullptr;
    }
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), before);
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

// The exit orders of a host, each in a child process: this program run again with one test of
// TolvaneDllExitChild and TOLVANE_EXIT_CHILD set, its output in a file.
struct ChildRun {
    DWORD exitCode = 0;
    std::string output;
};

ChildRun RunChild(const std::string& test) {
    char program[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    char file[MAX_PATH] = {};
    GetTempFileNameA(folder, "tex", 0, file);
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const HANDLE out = CreateFileA(file, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   &inherit, CREATE_ALWAYS, 0, nullptr);
    std::string command =
        std::string("\"") + program + "\" --gtest_filter=TolvaneDllExitChild." + test;
    STARTUPINFOA start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdOutput = out;
    start.hStdError = out;
    PROCESS_INFORMATION child{};
    SetEnvironmentVariableA("TOLVANE_EXIT_CHILD", "1");
    const BOOL made = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                     nullptr, &start, &child);
    SetEnvironmentVariableA("TOLVANE_EXIT_CHILD", nullptr);
    CloseHandle(out);
    ChildRun run;
    if (made) {
        if (WaitForSingleObject(child.hProcess, 60000) == WAIT_TIMEOUT) {
            TerminateProcess(child.hProcess, 0xDEAD);
            WaitForSingleObject(child.hProcess, INFINITE);
        }
        GetExitCodeProcess(child.hProcess, &run.exitCode);
        CloseHandle(child.hThread);
        CloseHandle(child.hProcess);
    }
    if (FILE* text = std::fopen(file, "rb")) {
        char buffer[4096];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, text)) > 0;) {
            run.output.append(buffer, got);
        }
        std::fclose(text);
    }
    DeleteFileA(file);
    return run;
}

// The child side: skipped unless this program runs as a child of RunChild.
class TolvaneDllExitChild : public TolvaneDll {
protected:
    void SetUp() override {
        if (GetEnvironmentVariableA("TOLVANE_EXIT_CHILD", nullptr, 0) == 0) {
            GTEST_SKIP() << "runs only as a child of the TolvaneDllExitOrder tests";
        }
        TolvaneDll::SetUp();
    }
};

TEST_F(TolvaneDllExitChild, ExitProcessWithTheWindowShownAndATcpLinkUp) {
    ASSERT_NE(Start(), nullptr);
    TcpTestServer server;
    SendMessageA(Control("RGCON.1"), BM_CLICK, 0, 0);
    SetText("EHOST", "127.0.0.1");
    SetText("EPORT", std::to_string(server.port()).c_str());
    Click("BUPDATE");
    TcpTestPeer peer = server.accept();
    ASSERT_TRUE(peer.valid());
    ASSERT_TRUE(test_support::PumpMessagesUntil(
        [&] { return StatusText().rfind("Connected to", 0) == 0; }));
    Command("SHOW", 0);
    test_support::PumpMessagesFor(200ms);
    std::printf("exiting with the window shown\n");
    std::fflush(stdout);
    ExitProcess(7);
}

DWORD WINAPI UnloadOnThisThread(LPVOID module) {
    return FreeLibrary(static_cast<HMODULE>(module));
}

// FreeLibrary from another thread than the one that called Initialize, which owns the window.
TEST_F(TolvaneDllExitChild, FreeLibraryFromAnotherThread) {
    ASSERT_NE(Start(), nullptr);
    Command("SHOW", 0);
    test_support::PumpMessagesFor(100ms);
    const HANDLE unloader = CreateThread(nullptr, 0, &UnloadOnThisThread, module, 0, nullptr);
    ASSERT_NE(unloader, nullptr);
    test_support::PumpMessagesUntil(
        [&] { return WaitForSingleObject(unloader, 0) == WAIT_OBJECT_0; });
    DWORD freed = 0;
    GetExitCodeThread(unloader, &freed);
    CloseHandle(unloader);
    module = nullptr;
    std::printf("FreeLibrary returned %lu; window %s\n", freed,
                IsWindow(window) ? "still there" : "gone");
    test_support::PumpMessagesFor(500ms);
    SendMessageA(window, WM_NULL, 0, 0);
    std::printf("messages pumped after the unload\n");
    std::fflush(stdout);
    ExitProcess(7);
}

TEST(TolvaneDllExitOrder, ExitProcessWithTheWindowShownAndATcpLinkUpEndsCleanly) {
    const ChildRun run = RunChild("ExitProcessWithTheWindowShownAndATcpLinkUp");
    EXPECT_EQ(run.exitCode, 7u) << run.output;
    EXPECT_NE(run.output.find("exiting with the window shown"), std::string::npos) << run.output;
}

// The unloading thread cannot destroy the window of the thread that made it: the window is left
// with the system's procedure and closed by its own thread's next messages.
TEST(TolvaneDllExitOrder, FreeLibraryFromAnotherThreadClosesTheWindowWithoutACrash) {
    const ChildRun run = RunChild("FreeLibraryFromAnotherThread");
    EXPECT_EQ(run.exitCode, 7u) << run.output;
    EXPECT_NE(run.output.find("FreeLibrary returned 1; window gone"), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("messages pumped after the unload"), std::string::npos) << run.output;
}

// Ends the whole process when an unload has not returned in time, so that a hang under the
// loader lock fails the run instead of stalling it. TerminateProcess needs no loader lock; the
// watching thread is running before the unload starts, since a new thread's start needs it.
class UnloadWatchdog {
public:
    explicit UnloadWatchdog(DWORD milliseconds)
        : m_done(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
          m_running(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
          m_milliseconds(milliseconds),
          m_thread(CreateThread(nullptr, 0, &UnloadWatchdog::watch, this, 0, nullptr)) {
        WaitForSingleObject(m_running, INFINITE);
    }
    ~UnloadWatchdog() {
        SetEvent(m_done);
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
        CloseHandle(m_running);
        CloseHandle(m_done);
    }
    UnloadWatchdog(const UnloadWatchdog&) = delete;
    UnloadWatchdog& operator=(const UnloadWatchdog&) = delete;

private:
    static DWORD WINAPI watch(LPVOID self) {
        auto* watchdog = static_cast<UnloadWatchdog*>(self);
        SetEvent(watchdog->m_running);
        if (WaitForSingleObject(watchdog->m_done, watchdog->m_milliseconds) == WAIT_TIMEOUT) {
            std::fprintf(stderr, "FreeLibrary has not returned after %lu ms\n",
                         watchdog->m_milliseconds);
            std::fflush(stderr);
            TerminateProcess(GetCurrentProcess(), 3);
        }
        return 0;
    }

    HANDLE m_done;
    HANDLE m_running;
    DWORD m_milliseconds;
    HANDLE m_thread;
};

// The threads of this process, for checking that an unload leaves none behind.
int ThreadCount() {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        count += entry.th32OwnerProcessID == GetCurrentProcessId() ? 1 : 0;
    }
    CloseHandle(snapshot);
    return count;
}

// The plug-in with its COM port open on the pseudo-terminal of vacomm_pty_harness.sh (run as
// the CTest test tolvane_dll_serial_tests); skipped without it.
class TolvaneDllSerial : public TolvaneDll {
protected:
    void SetUp() override {
        if (!test_support::PtyFarEnd::Available()) {
            GTEST_SKIP() << "needs the pseudo-terminal of vacomm_pty_harness.sh";
        }
        TolvaneDll::SetUp();
    }
    void OpenSerialPort() {
        const int com = test_support::PtyFarEnd::ComNumber();
        SendMessageA(Control("RGCON.0"), BM_CLICK, 0, 0);
        SendMessageA(Control("CBCOMP"), CB_SETCURSEL, static_cast<WPARAM>(com - 1), 0);
        Click("BUPDATE");
        const std::string opened = "COM" + std::to_string(com) + " opened";
        ASSERT_TRUE(test_support::PumpMessagesUntil([&] { return StatusText() == opened; }))
            << StatusText();
    }
};

// Each unload with the port open leaves the port's event thread parked for good inside the
// system's code (it cannot end while the loader lock is held): at most one thread per round.
TEST_F(TolvaneDllSerial, FreeLibraryWithThePortOpenReturnsAndReloadsTwice) {
    const int threadsBefore = ThreadCount();
    constexpr int kRounds = 2;
    for (int round = 0; round < kRounds; ++round) {
        if (round > 0) {
            TolvaneDll::SetUp();
        }
        ASSERT_NE(Start(), nullptr);
        OpenSerialPort();
        test_support::PtyFarEnd farEnd;
        ASSERT_TRUE(farEnd.Connect());
        // Bytes arriving keep the event thread handing events over while the unload comes.
        farEnd.Send("+\r+\r");
        Command("SHOW", 0);
        test_support::PumpMessagesFor(100ms);
        const auto start = std::chrono::steady_clock::now();
        {
            UnloadWatchdog watchdog(30000);
            ASSERT_TRUE(FreeLibrary(module)) << "round " << round;
        }
        module = nullptr;
        EXPECT_LT(std::chrono::steady_clock::now() - start, 5s) << "round " << round;
        EXPECT_FALSE(IsWindow(window));
        farEnd.HangUp();
    }
    EXPECT_TRUE(test_support::PumpMessagesUntil([&] {
        return ThreadCount() <= threadsBefore + kRounds;
    })) << ThreadCount()
        << " threads, " << threadsBefore << " before";
}

// A port closed before the unload ends its threads on the window's thread: none is left parked.
TEST_F(TolvaneDllSerial, DisconnectThenFreeLibraryLeavesNoThread) {
    ASSERT_NE(Start(), nullptr);
    OpenSerialPort();
    const int withPort = ThreadCount();
    Click("BDISCON");
    ASSERT_EQ(StatusText(), "Not connected");
    EXPECT_TRUE(test_support::PumpMessagesUntil([&] { return ThreadCount() < withPort; }))
        << ThreadCount() << " threads, " << withPort << " with the port open";
    const int closed = ThreadCount();
    {
        UnloadWatchdog watchdog(30000);
        ASSERT_TRUE(FreeLibrary(module));
    }
    module = nullptr;
    EXPECT_LE(ThreadCount(), closed);
}

// Fails under Wine: once the serial threads of a load have ended (the port closed before the
// unload), the next LoadLibrary of the plug-in crashes in Wine's loader (a page fault in ntdll, or
// a loop in its per-thread TLS list that WINEDEBUG=+module shows as alloc_tls_slot repeating one
// thread). It did so before the threads ended through ModuleThread too; without a port eight
// reloads pass, and threads parked at an unload with the port open let one reload pass. Not
// understood yet; run it by hand under the harness with --gtest_also_run_disabled_tests.
TEST_F(TolvaneDllSerial, DISABLED_ReloadAfterTheSerialThreadsEndedWorks) {
    for (int round = 0; round < 2; ++round) {
        if (round > 0) {
            TolvaneDll::SetUp();
        }
        ASSERT_NE(Start(), nullptr);
        OpenSerialPort();
        Click("BDISCON");
        UnloadWatchdog watchdog(30000);
        ASSERT_TRUE(FreeLibrary(module)) << "round " << round;
        module = nullptr;
    }
}

}  // namespace
