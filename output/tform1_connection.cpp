#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <functional>

#include "links/SimpleTCP.h"
#include "links/VaComm.h"
#include "output/output_state.h"
#include "plugin/error_report.h"
#include "plugin/tform1.h"
#include "plugin/widgets.h"

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

void TForm1::BUPDATEClick(QObject* Sender) {
    static_cast<void>(Sender);
    OutputState& out = Output();
    out.Connection.BeginUpdate(RGCON->ItemIndex());
    out.Bidirectional = CBBIDI->isChecked();
    out.Limit = CBLIMIT->isChecked();
    out.Keep = {CBKEEPPI->isChecked(), CBKEEPPTY->isChecked(), CBKEEPTP->isChecked()};
    if (out.Connection.SelectedLink == lkSerial) {
        ConnectSerial();
    }
    ApplyConnectionState();
    if (out.Connection.SelectedLink == lkTcp) {
        out.Connection.TcpAttemptStarting();
        ApplyConnectionState();
        TCPConTimer(this);
    }
    out.SendInterval = ChooseSendInterval(RGSPEED->ItemIndex(), out.Limit,
                                          out.Connection.SelectedLink, out.Bidirectional);
    if (out.Connection.SelectedLink == lkNone) {
        out.Connection.NoLinkChosen();
        ApplyConnectionState();
    }
    if (TTimerSend->interval() != out.SendInterval) {
        TTimerSend->setInterval(out.SendInterval);
    }
}

// A port already open (a workspace restored while connected) is closed first, so that the
// settings chosen now take effect.
void TForm1::ConnectSerial() {
    ConnectionState& connection = Output().Connection;
    if (CBCOMP->currentIndex() < 0) {
        CBCOMP->setCurrentIndex(0);
    }
    const int port = CBCOMP->currentIndex() + 1;
    if (VaComm1->IsOpen()) {
        CloseSerialQuietly();
    }
    VaComm1->SetPortNum(port);
    VaComm1->SetDeviceName(port >= 10 ? "\\\\.\\COM%d" : "COM%d");
    VaComm1->SetBaudrate(BaudrateForSpeedItem(RGSPEED->ItemIndex()));
    try {
        VaComm1->Open();
        connection.SerialOpened(port);
    } catch (const std::exception&) {
        connection.SerialOpenFailed();
    }
}

void TForm1::BDISCONClick(QObject* Sender) {
    static_cast<void>(Sender);
    OutputState& out = Output();
    BUPDATE->setEnabled(true);
    // A lookup still running is ended too: its answer must not connect after the user said no.
    if (SimpleTCPClient1->Connected() || SimpleTCPClient1->Resolving() || TCPCon->isActive() ||
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

void TForm1::TCPConTimer(QObject* Sender) {
    static_cast<void>(Sender);
    try {
        SimpleTCPClient1->SetHost(EHOST->text());
        bool isNumber = false;
        const int port = EPORT->text().toInt(&isNumber);
        if (isNumber) {
            SimpleTCPClient1->SetPort(static_cast<uint16_t>(port & 0xFFFF));
        }
    } catch (const std::exception&) {
        // A change refused while a connection is requested keeps the earlier value.
    }
    SimpleTCPClient1->SetConnected(true);
}

void TForm1::SimpleTCPClient1Connected(QObject* Sender) {
    static_cast<void>(Sender);
    RGCON->SetItemIndex(lkTcp);
    Output().Connection.TcpConnected(SimpleTCPClient1->Host().toStdString(),
                                     SimpleTCPClient1->Port());
    ApplyConnectionState();
}

void TForm1::SimpleTCPClient1Disconnected(QObject* Sender) {
    static_cast<void>(Sender);
    Output().Connection.TcpDisconnected();
    ApplyConnectionState();
}

void TForm1::SimpleTCPClient1Error(QObject* Sender, int Socket, int ErrorCode,
                                   const QString& ErrorMsg) {
    static_cast<void>(Sender);
    static_cast<void>(Socket);
    static_cast<void>(ErrorCode);
    Output().Connection.TcpError(ErrorMsg.toStdString());
    ApplyConnectionState();
}

void TForm1::ConnectAfterRestore() {
    BUPDATEClick(this);
}

void TForm1::EHOSTExit(QObject* Sender) {
    static_cast<void>(Sender);
    const QString text = EHOST->text();
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon >= 0) {
        EPORT->setText(text.mid(colon + 1));
        EHOST->setText(text.left(colon));
    }
}

void TForm1::SerialFailed(const std::exception& error) {
    CloseSerialQuietly();
    Output().Connection.SerialFailed(error.what());
    ApplyConnectionState();
}

void TForm1::CloseSerialQuietly() noexcept {
    SettleHeldSerialGroup();
    try {
        VaComm1->Close();
    } catch (...) {
    }
}

// The shutdown step: whichever link is active is closed, and no retry is armed.
void TForm1::ShutdownLinks() noexcept {
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

void TForm1::ApplyConnectionState() {
    const ConnectionState& connection = Output().Connection;
    BUPDATE->setEnabled(connection.UpdateEnabled);
    if (connection.TcpRetryEnabled && !TCPCon->isActive()) {
        TCPCon->start();
    } else if (!connection.TcpRetryEnabled && TCPCon->isActive()) {
        TCPCon->stop();
    }
    const QString status = QString::fromStdString(connection.Status);
    if (StatusBar1->currentMessage() != status) {
        StatusBar1->showMessage(status);
    }
}

// Every timer tick, click and link event of the output runs guarded: nothing it throws
// reaches the event loop.
void TForm1::WireOutput() {
    const auto slot = [](const char* where, std::function<void()> work) {
        return [where, work] { Guarded(where, work); };
    };
    const auto event = [](auto work) {
        return [work](auto&&... args) { Guarded("SimpleTCPClient1", [&] { work(args...); }); };
    };
    connect(TTimerSend, &QTimer::timeout, this,
            slot("TTimerSend", [this] { TTimerSendTimer(TTimerSend); }));
    connect(TimerRxD, &QTimer::timeout, this,
            slot("TimerRxD", [this] { TimerRxDTimer(TimerRxD); }));
    connect(TCPCon, &QTimer::timeout, this, slot("TCPCon", [this] { TCPConTimer(TCPCon); }));
    connect(BUPDATE, &QPushButton::clicked, this,
            slot("BUPDATE", [this] { BUPDATEClick(BUPDATE); }));
    connect(BDISCON, &QPushButton::clicked, this,
            slot("BDISCON", [this] { BDISCONClick(BDISCON); }));
    connect(EHOST, &QLineEdit::editingFinished, this, slot("EHOST", [this] { EHOSTExit(EHOST); }));
    SimpleTCPClient1->OnConnected =
        event([this](QObject* sender) { SimpleTCPClient1Connected(sender); });
    SimpleTCPClient1->OnDisconnected =
        event([this](QObject* sender) { SimpleTCPClient1Disconnected(sender); });
    SimpleTCPClient1->OnError =
        event([this](QObject* sender, int socket, int code, const QString& message) {
            SimpleTCPClient1Error(sender, socket, code, message);
        });
    SimpleTCPClient1->OnRead =
        event([this](QObject* sender, QIODevice& stream) { SimpleTCPClient1Read(sender, stream); });
}
