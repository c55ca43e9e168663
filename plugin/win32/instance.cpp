#include "plugin/win32/instance.h"

#include <memory>
#include <stdexcept>
#include <string>

#include "SimpleTCP.h"
#include "VaComm.h"
#include "plugin/error_report.h"
#include "plugin/section_name.h"
#include "plugin/tform1_handlers.h"
#include "plugin/win32/win32_window.h"

namespace {

// The file name of this DLL (the module that holds this function), in a buffer of 260 bytes.
std::string OwnFileName() {
    HMODULE self = nullptr;
    GetModuleHandleExA(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCSTR>(&OwnFileName), &self);
    char path[260] = {};
    const DWORD length = GetModuleFileNameA(self, path, sizeof path);
    const std::string full(path, length < sizeof path ? length : sizeof path - 1);
    const std::size_t slash = full.find_last_of("\\/");
    return slash == std::string::npos ? full : full.substr(slash + 1);
}

// The handlers with the Win32 window and the Windows links they drive.
class TForm1Win32 final : public TForm1Handlers {
public:
    TForm1Win32(HWND hostWindow, int32_t hostValue) : HostValue(hostValue) {
        m_ui = m_window.Controls();
        BuildLinks();
        WireTimers();
        if (hostWindow != nullptr) {
            // An owned window stays above its owner and goes when the owner goes.
            SetWindowLongPtrA(m_window.Handle(), GWLP_HWNDPARENT,
                              reinterpret_cast<LONG_PTR>(hostWindow));
        }
        m_sectionName = SectionNameFromFileName(OwnFileName());
    }
    ~TForm1Win32() { ShutdownLinks(); }
    TForm1Win32(const TForm1Win32&) = delete;
    TForm1Win32& operator=(const TForm1Win32&) = delete;

    HWND Handle() const { return m_window.Handle(); }
    ui::StatusLine* StatusLine() const { return m_ui.StatusBar1; }

    const int32_t HostValue;

private:
    void BuildLinks();
    void WireTimers();

    win32_window::TForm1Window m_window;
    TVaComm m_serial;
    TSimpleTCPClient m_tcp;
};

// The same properties as the Linux links: 2400 bit/s 8N1 without flow control, writes that
// never wait, and a TCP client that never reconnects on its own.
void TForm1Win32::BuildLinks() {
    VaComm1 = &m_serial;
    m_serial.SetName("VaComm1");
    m_serial.SetBaudrate(br2400);
    m_serial.SetPortNum(1);
    m_serial.SetDeviceName("COM%d");
    m_serial.SetMonitorEvents({ceRxChar, ceTxEmpty});
    m_serial.SetEventPriority(tpHigher);
    m_serial.SetDirectWrite(true);
    TVaBuffers buffers;
    buffers.SetWriteTimeout(0);
    m_serial.SetBuffers(buffers);
    m_serial.OnException = [this](TComponent*, const std::string& message) {
        Guarded("VaComm1", [&] { SerialFailed(std::runtime_error(message)); });
    };
    SimpleTCPClient1 = &m_tcp;
    m_tcp.SetName("SimpleTCPClient1");
    m_tcp.SetHost("127.0.0.1");
    m_tcp.SetPort(23);
    m_tcp.SetAutoReconnectInterval(2147480000);
    m_tcp.OnException = [](TComponent*, const std::string& message) {
        const std::runtime_error error(message);
        ReportError("SimpleTCPClient1", &error);
    };
}

void TForm1Win32::WireTimers() {
    const auto bind = [this](const char* name, void (TForm1Handlers::*handler)(EventSender)) {
        win32_controls::Win32Timer& timer = m_window.Timer(name);
        timer.SetOnTimer(
            [this, name, handler, &timer] { Guarded(name, [&] { (this->*handler)(&timer); }); });
    };
    bind("TTimerSend", &TForm1Handlers::TTimerSendTimer);
    bind("TimerRxD", &TForm1Handlers::TimerRxDTimer);
    bind("TCPCon", &TForm1Handlers::TCPConTimer);
    bind("TimerPerSec", &TForm1Handlers::TimerPerSecTimer);
}

std::unique_ptr<TForm1Win32> g_instance;

}  // namespace

namespace win32_instance {

HWND Create(HWND hostWindow, int32_t hostValue) {
    if (!g_instance) {
        g_instance = std::make_unique<TForm1Win32>(hostWindow, hostValue);
    }
    return g_instance->Handle();
}

TForm1Handlers* Current() {
    return g_instance.get();
}

void ShowOnStatusLine(const char* text) noexcept {
    try {
        if (g_instance && g_instance->StatusLine() != nullptr) {
            g_instance->StatusLine()->SetText(text);
        }
    } catch (...) {
        // The report already went to standard error.
    }
}

void DestroyAtUnload() noexcept {
    try {
        g_instance.reset();
    } catch (...) {
        g_instance.release();
    }
}

}  // namespace win32_instance
