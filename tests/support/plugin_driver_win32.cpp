// The driver on Windows: tolvane.dll through LoadLibrary from the folder of this program, where
// kovadex.dll lies beside it, and its Win32 window's controls found by their name properties.
// WinSock's header comes before the one of windows, which would bring in an older one.
#include <winsock2.h>

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "plugin/win32/win32_controls.h"
#include "plugin/win32/win32_window.h"
#include "support/plugin_driver.h"
#include "support/win32_message_pump.h"

namespace blackbox {

namespace {

using PluginNameCall = const char*(__cdecl*)();
using InitializeCall = void*(__stdcall*)(uint32_t hostWindow, int32_t hostValue);
using CommandCall = void(__stdcall*)(const char* text, int32_t workspace);
using RDSGroupCall = void(__stdcall*)(const GroupRecord* group);

std::string DllPath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string program(path);
    return program.substr(0, program.find_last_of("\\/") + 1) + "tolvane.dll";
}

template <typename Call>
Call Resolve(HMODULE module, const char* name) {
    return reinterpret_cast<Call>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

}  // namespace

struct PluginDriver::Platform {
    HMODULE module = nullptr;
    HWND window = nullptr;
    std::string error;
    PluginNameCall pluginName = nullptr;
    InitializeCall initialize = nullptr;
    CommandCall command = nullptr;
    RDSGroupCall rdsGroup = nullptr;

    HWND Find(const char* name) const {
        const HWND control = window == nullptr ? nullptr : win32_window::FindControl(window, name);
        EXPECT_NE(control, nullptr) << "no control named " << name;
        return control;
    }
    HWND Item(const char* radioGroup, int index) const {
        return Find((std::string(radioGroup) + '.' + std::to_string(index)).c_str());
    }
};

PluginDriver::PluginDriver() : m_platform(std::make_unique<Platform>()) {}
PluginDriver::~PluginDriver() {
    Unload();
}

bool PluginDriver::Load() {
    Platform& p = *m_platform;
    p.window = nullptr;
    p.module = LoadLibraryA(DllPath().c_str());
    if (p.module == nullptr) {
        p.error = "LoadLibrary " + DllPath() + " failed with " + std::to_string(GetLastError());
        return false;
    }
    p.pluginName = Resolve<PluginNameCall>(p.module, "PluginName");
    p.initialize = Resolve<InitializeCall>(p.module, "Initialize");
    p.command = Resolve<CommandCall>(p.module, "Command");
    p.rdsGroup = Resolve<RDSGroupCall>(p.module, "RDSGroup");
    if (p.pluginName == nullptr || p.initialize == nullptr || p.command == nullptr ||
        p.rdsGroup == nullptr) {
        p.error = "tolvane.dll lacks one of the four exports";
        Unload();
        return false;
    }
    return true;
}

void PluginDriver::Unload() {
    m_platform->window = nullptr;
    if (m_platform->module != nullptr) {
        FreeLibrary(m_platform->module);
        m_platform->module = nullptr;
    }
}

std::string PluginDriver::LoadError() const {
    return m_platform->error;
}

const char* PluginDriver::PluginName() const {
    return m_platform->pluginName();
}

bool PluginDriver::Initialize(int32_t hostValue) {
    m_platform->window = static_cast<HWND>(m_platform->initialize(0, hostValue));
    return m_platform->window != nullptr;
}

void PluginDriver::Command(const char* text, int32_t workspace) const {
    m_platform->command(text, workspace);
}

void PluginDriver::RDSGroup(const GroupRecord& group) const {
    m_platform->rdsGroup(&group);
}

std::string PluginDriver::Text(const char* name) const {
    const HWND control = m_platform->Find(name);
    if (control == nullptr) {
        return {};
    }
    wchar_t kind[64] = {};
    GetClassNameW(control, kind, 64);
    if (std::wstring(kind) == STATUSCLASSNAMEW) {
        const auto length = LOWORD(SendMessageW(control, SB_GETTEXTLENGTHW, 0, 0));
        std::wstring text(length + 1u, L'\0');
        SendMessageW(control, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text.data()));
        text.resize(length);
        return win32_controls::Narrow(text);
    }
    return win32_controls::WindowText(control);
}

void PluginDriver::SetText(const char* name, const std::string& text) const {
    if (const HWND edit = m_platform->Find(name)) {
        SetWindowTextW(edit, win32_controls::Widen(text).c_str());
    }
}

bool PluginDriver::Enabled(const char* name) const {
    const HWND control = m_platform->Find(name);
    return control != nullptr && IsWindowEnabled(control);
}

// The notification the button's page gets from a click, whichever tab is shown.
void PluginDriver::Click(const char* name) const {
    const HWND button = m_platform->Find(name);
    if (button != nullptr && IsWindowEnabled(button)) {
        SendMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                     reinterpret_cast<LPARAM>(button));
    }
}

bool PluginDriver::Ticked(const char* name) const {
    const HWND box = m_platform->Find(name);
    return box != nullptr && SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void PluginDriver::SetTicked(const char* name, bool ticked) const {
    if (const HWND box = m_platform->Find(name)) {
        SendMessageW(box, BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

int PluginDriver::SelectedItem(const char* radioGroup) const {
    const std::string prefix = std::string(radioGroup) + '.';
    for (int index = 0;; ++index) {
        const HWND item =
            win32_window::FindControl(m_platform->window, prefix + std::to_string(index));
        if (item == nullptr) {
            return -1;
        }
        if (SendMessageW(item, BM_GETCHECK, 0, 0) == BST_CHECKED) {
            return index;
        }
    }
}

void PluginDriver::SelectItem(const char* radioGroup, int index) const {
    if (const HWND item = m_platform->Item(radioGroup, index)) {
        SendMessageW(item, BM_CLICK, 0, 0);
    }
}

int PluginDriver::ComboIndex(const char* name) const {
    const HWND combo = m_platform->Find(name);
    return combo == nullptr ? -1 : static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
}

void PluginDriver::SetComboIndex(const char* name, int index) const {
    if (const HWND combo = m_platform->Find(name)) {
        SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
}

bool PluginDriver::GroupTicked(int item) const {
    const HWND list = m_platform->Find("CLBSHOW");
    return list != nullptr && ListView_GetCheckState(list, item) != 0;
}

void PluginDriver::TickGroup(int item, bool ticked) const {
    if (const HWND list = m_platform->Find("CLBSHOW")) {
        ListView_SetCheckState(list, item, ticked);
    }
}

// The grid answers for its cells by message, as it would to a host.
std::string PluginDriver::MaskCell(int row, int column) const {
    const HWND grid = m_platform->Find("SGMASK");
    if (grid == nullptr) {
        return std::string();
    }
    win32_controls::GridCellRequest request{row, column, nullptr, 0};
    const auto length = static_cast<int>(
        SendMessageW(grid, win32_controls::kGridGetCell, 0, reinterpret_cast<LPARAM>(&request)));
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    request = {row, column, text.data(), length + 1};
    SendMessageW(grid, win32_controls::kGridGetCell, 0, reinterpret_cast<LPARAM>(&request));
    text.resize(static_cast<std::size_t>(length));
    return win32_controls::Narrow(text);
}

void PluginDriver::SetMaskCell(int row, int column, const std::string& text) const {
    if (const HWND grid = m_platform->Find("SGMASK")) {
        std::wstring wide = win32_controls::Widen(text);
        win32_controls::GridCellRequest request{row, column, wide.data(),
                                                static_cast<int>(wide.size()) + 1};
        SendMessageW(grid, win32_controls::kGridSetCell, 0, reinterpret_cast<LPARAM>(&request));
    }
}

bool PluginDriver::Visible() const {
    return m_platform->window != nullptr && IsWindowVisible(m_platform->window);
}

std::pair<int, int> PluginDriver::Position() const {
    RECT place{};
    GetWindowRect(m_platform->window, &place);
    return {place.left, place.top};
}

void PluginDriver::Move(int left, int top) const {
    SetWindowPos(m_platform->window, nullptr, left, top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    return test_support::PumpMessagesUntil(done, timeout);
}

void PumpFor(std::chrono::milliseconds period) {
    test_support::PumpMessagesFor(period);
}

int RunAsHost(int, char**, const std::function<int()>& body) {
    return body();
}

void KeepSocketLayerUp() {
    static const bool started = [] {
        WSADATA data{};
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
}

namespace {

constexpr UINT kStamp = WM_APP + 17;
constexpr wchar_t kProbeClass[] = L"TolvaneLoopLatencyProbe";

// Each stamp carries the low 32 bits of its posting time in microseconds, enough for any
// delay below an hour on either pointer size.
LRESULT CALLBACK ProbeProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kStamp) {
        auto* latencies =
            reinterpret_cast<std::vector<int64_t>*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        const auto delay = static_cast<uint32_t>(NowUs()) - static_cast<uint32_t>(lParam);
        latencies->push_back(static_cast<int64_t>(delay));
        (void)wParam;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

struct LoopLatencyProbe::Platform {
    HWND window = nullptr;
    std::atomic<bool> stop{false};
    std::thread poster;
};

LoopLatencyProbe::LoopLatencyProbe() : m_platform(std::make_unique<Platform>()) {
    WNDCLASSEXW type{};
    type.cbSize = sizeof type;
    type.lpfnWndProc = ProbeProcedure;
    type.hInstance = GetModuleHandleW(nullptr);
    type.lpszClassName = kProbeClass;
    RegisterClassExW(&type);
    Platform* probe = m_platform.get();
    probe->window = CreateWindowExW(0, kProbeClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(probe->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&m_latenciesUs));
    probe->poster = std::thread([probe] {
        while (!probe->stop) {
            PostMessageW(probe->window, kStamp, 0,
                         static_cast<LPARAM>(static_cast<uint32_t>(NowUs())));
            Sleep(1);
        }
    });
}

LoopLatencyProbe::~LoopLatencyProbe() {
    Stop();
    if (m_platform->window != nullptr) {
        DestroyWindow(m_platform->window);
    }
}

void LoopLatencyProbe::Stop() {
    if (m_platform->poster.joinable()) {
        m_platform->stop = true;
        m_platform->poster.join();
        PumpFor(std::chrono::milliseconds(50));
    }
}

}  // namespace blackbox
