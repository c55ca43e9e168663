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
        WireControls();
        WireTcpClient();
        if (hostWindow != nullptr) {
            // An owned window stays above its owner and goes when the owner goes.
            SetWindowLongPtrA(m_window.Handle(), GWLP_HWNDPARENT,
                              reinterpret_cast<LONG_PTR>(hostWindow));
        }
        FormCreate();
    }
    ~TForm1Win32() { ShutdownLinks(); }
    TForm1Win32(const TForm1Win32&) = delete;
    TForm1Win32& operator=(const TForm1Win32&) = delete;

    HWND Handle() const { return m_window.Handle(); }
    ui::StatusLine* StatusLine() const { return m_ui.StatusBar1; }

    const int32_t HostValue;

private:
    void FormCreate();
    void FillSerialPortList();
    void LabelMaskGrid();
    void BuildLinks();
    void WireTimers();
    void WireControls();
    void WireTcpClient();
    void OnCommand(HWND control, UINT code);
    HWND Named(const char* name) const {
        return win32_window::FindControl(m_window.Handle(), name);
    }

    win32_window::TForm1Window m_window;
    TVaComm m_serial;
    TSimpleTCPClient m_tcp;
};

// The section comes from this DLL's own file name, so that a renamed copy keeps its own
// settings.
void TForm1Win32::FormCreate() {
    m_sectionName = SectionNameFromFileName(OwnFileName());
    FillSerialPortList();
    LabelMaskGrid();
}

void TForm1Win32::FillSerialPortList() {
    const HWND combo = Named("CBCOMP");
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (int n = 1; n <= 255; ++n) {
        const std::wstring item = L"COM" + std::to_wstring(n);
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    }
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

void TForm1Win32::LabelMaskGrid() {
    const char* headers[] = {"Mask", "Block 2", "Block 3", "Block 4"};
    for (int column = 0; column < 4; ++column) {
        m_ui.SGMASK->SetCellText(0, column, headers[column]);
    }
    for (int row = 1; row <= 3; ++row) {
        m_ui.SGMASK->SetCellText(row, 0, std::to_string(row));
    }
}

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

// The controls' events, each handed to the handler that the window names for it, as the Linux
// window does; every one runs guarded.
void TForm1Win32::WireControls() {
    m_window.SetOnCommand([this](HWND control, UINT code) { OnCommand(control, code); });
    const HWND grid = Named("SGMASK");
    win32_controls::SetGridEvents(
        grid,
        {[this](char16_t& key) { Guarded("SGMASK", [&] { SGMASKKeyPress(m_ui.SGMASK, key); }); },
         [this] { Guarded("SGMASK", [&] { SGMASKExit(m_ui.SGMASK); }); }});
}

void TForm1Win32::OnCommand(HWND control, UINT code) {
    if (code == BN_CLICKED && control == Named("Button1")) {
        Guarded("Button1", [&] { Button1Click(control); });
    } else if (code == BN_CLICKED && control == Named("BUPDATE")) {
        Guarded("BUPDATE", [&] { BUPDATEClick(m_ui.BUPDATE); });
    } else if (code == BN_CLICKED && control == Named("BDISCON")) {
        Guarded("BDISCON", [&] { BDISCONClick(control); });
    } else if ((code == EN_KILLFOCUS || code == win32_window::kReturnPressed) &&
               control == Named("EHOST")) {
        Guarded("EHOST", [&] { EHOSTExit(m_ui.EHOST); });
    }
}

void TForm1Win32::WireTcpClient() {
    const auto event = [](auto work) {
        return [work](auto&&... args) { Guarded("SimpleTCPClient1", [&] { work(args...); }); };
    };
    m_tcp.OnConnected = event([this](TComponent* sender) { SimpleTCPClient1Connected(sender); });
    m_tcp.OnDisconnected =
        event([this](TComponent* sender) { SimpleTCPClient1Disconnected(sender); });
    m_tcp.OnError =
        event([this](TComponent* sender, int socket, int code, const std::string& message) {
            SimpleTCPClient1Error(sender, socket, code, message);
        });
    m_tcp.OnRead = event([this](TComponent* sender, TSimpleTCPStream& stream) {
        SimpleTCPClient1Read(sender, stream.ReadAll());
    });
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
