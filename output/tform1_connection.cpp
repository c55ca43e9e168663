#include <optional>
#include <string>

#include "SimpleTCP.h"
#include "VaComm.h"
#include "output/output_state.h"
#include "plugin/error_report.h"
#include "plugin/tform1_handlers.h"

using namespace encoder_output;

namespace {

TVaBaudrate BaudrateForSpeedItem(int index) {
    switch (index) {
        case 0:
            return br1200;
        case 2:
            return br4800;
        case 3:
            return br9600;
        case 4:
            return br19200;
        default:
            return br2400;
    }
}

}  // namespace

void TForm1Handlers::BUPDATEClick(EventSender Sender) {
    static_cast<void>(Sender);
    OutputState& out = Output();
    out.Connection.BeginUpdate(m_ui.RGCON->ItemIndex());
    out.Bidirectional = m_ui.CBBIDI->Checked();
    out.Limit = m_ui.CBLIMIT->Checked();
    out.Keep = {m_ui.CBKEEPPI->Checked(), m_ui.CBKEEPPTY->Checked(), m_ui.CBKEEPTP->Checked()};
    if (out.Connection.SelectedLink == lkSerial) {
        ConnectSerial();
    }
    ApplyConnectionState();
    if (out.Connection.SelectedLink == lkTcp) {
        out.Connection.TcpAttemptStarting();
        ApplyConnectionState();
        TCPConTimer(this);
    }
    out.SendInterval = ChooseSendInterval(m_ui.RGSPEED->ItemIndex(), out.Limit,
                                          out.Connection.SelectedLink, out.Bidirectional);
    if (out.Connection.SelectedLink == lkNone) {
        out.Connection.NoLinkChosen();
        ApplyConnectionState();
    }
    ui::SetIntervalIfChanged(*m_ui.TTimerSend, out.SendInterval);
}

// A port already open (a workspace restored while connected) is closed first, so that the
// settings chosen now take effect.
void TForm1Handlers::ConnectSerial() {
    ConnectionState& connection = Output().Connection;
    if (m_ui.CBCOMP->ItemIndex() < 0) {
        m_ui.CBCOMP->SetItemIndex(0);
    }
    const int port = m_ui.CBCOMP->ItemIndex() + 1;
    if (VaComm1->IsOpen()) {
        CloseSerialQuietly();
    }
    VaComm1->SetPortNum(port);
    VaComm1->SetDeviceName(port >= 10 ? "\\\\.\\COM%d" : "COM%d");
    VaComm1->SetBaudrate(BaudrateForSpeedItem(m_ui.RGSPEED->ItemIndex()));
    try {
        VaComm1->Open();
        connection.SerialOpened(port);
    } catch (const std::exception&) {
        connection.SerialOpenFailed();
    }
}

void TForm1Handlers::BDISCONClick(EventSender Sender) {
    static_cast<void>(Sender);
    OutputState& out = Output();
    m_ui.BUPDATE->SetEnabled(true);
    // A lookup still running is ended too: its answer must not connect after the user said no.
    if (SimpleTCPClient1->Connected() || SimpleTCPClient1->Resolving() || m_ui.TCPCon->Active() ||
        out.Connection.ActiveLink == lkTcp) {
        try {
            SimpleTCPClient1->SetConnected(false);
        } catch (const std::exception&) {
        }
    }
    CloseSerialQuietly();
    out.Connection.Disconnect();
    ApplyConnectionState();
}

void TForm1Handlers::TCPConTimer(EventSender Sender) {
    static_cast<void>(Sender);
    try {
        SimpleTCPClient1->SetHost(m_ui.EHOST->Text());
        if (const std::optional<int> port = PortFieldNumber(m_ui.EPORT->Text())) {
            SimpleTCPClient1->SetPort(static_cast<uint16_t>(*port & 0xFFFF));
        }
    } catch (const std::exception&) {
        // A change refused while a connection is requested keeps the earlier value.
    }
    SimpleTCPClient1->SetConnected(true);
}

void TForm1Handlers::SimpleTCPClient1Connected(EventSender Sender) {
    static_cast<void>(Sender);
    m_ui.RGCON->SetItemIndex(lkTcp);
    Output().Connection.TcpConnected(SimpleTCPClient1->Host(), SimpleTCPClient1->Port());
    ApplyConnectionState();
}

void TForm1Handlers::SimpleTCPClient1Disconnected(EventSender Sender) {
    static_cast<void>(Sender);
    Output().Connection.TcpDisconnected();
    ApplyConnectionState();
}

void TForm1Handlers::SimpleTCPClient1Error(EventSender Sender, int Socket, int ErrorCode,
                                           const std::string& ErrorMsg) {
    static_cast<void>(Sender);
    static_cast<void>(Socket);
    static_cast<void>(ErrorCode);
    Output().Connection.TcpError(ErrorMsg);
    ApplyConnectionState();
}

void TForm1Handlers::EHOSTExit(EventSender Sender) {
    static_cast<void>(Sender);
    const std::string text = m_ui.EHOST->Text();
    const std::size_t colon = text.find(':');
    if (colon != std::string::npos) {
        m_ui.EPORT->SetText(text.substr(colon + 1));
        m_ui.EHOST->SetText(text.substr(0, colon));
    }
}

void TForm1Handlers::SerialFailed(const std::exception& error) {
    CloseSerialQuietly();
    Output().Connection.SerialFailed(error.what());
    ApplyConnectionState();
}

void TForm1Handlers::CloseSerialQuietly() noexcept {
    SettleHeldSerialGroup();
    try {
        VaComm1->Close();
    } catch (...) {
    }
}

// The shutdown step: whichever link is active is closed, and no retry is armed.
void TForm1Handlers::ShutdownLinks() noexcept {
    ConnectionState& connection = Output().Connection;
    if (connection.ActiveLink == lkSerial) {
        CloseSerialQuietly();
    } else if (connection.ActiveLink == lkTcp) {
        connection.Shutdown();
        try {
            SimpleTCPClient1->Disconnect();
        } catch (...) {
        }
    }
}

void TForm1Handlers::ApplyConnectionState() {
    const ConnectionState& connection = Output().Connection;
    m_ui.BUPDATE->SetEnabled(connection.UpdateEnabled);
    if (connection.TcpRetryEnabled && !m_ui.TCPCon->Active()) {
        m_ui.TCPCon->Start();
    } else if (!connection.TcpRetryEnabled && m_ui.TCPCon->Active()) {
        m_ui.TCPCon->Stop();
    }
    if (m_ui.StatusBar1->Text() != connection.Status) {
        m_ui.StatusBar1->SetText(connection.Status);
    }
}
