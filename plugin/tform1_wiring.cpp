#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <string>

#include "SimpleTCP.h"
#include "plugin/error_report.h"
#include "plugin/tform1.h"

// The toolkit's events, each handed to the handler that the window names for it.

void TForm1::WireStatistics() {
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(Button1); });
    connect(TimerPerSec, &QTimer::timeout, this, [this] { TimerPerSecTimer(TimerPerSec); });
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
        event([this](QObject* sender, int socket, int code, const std::string& message) {
            SimpleTCPClient1Error(sender, socket, code, message);
        });
    SimpleTCPClient1->OnRead = event([this](QObject* sender, TSimpleTCPStream& stream) {
        SimpleTCPClient1Read(sender, stream.ReadAll());
    });
}
