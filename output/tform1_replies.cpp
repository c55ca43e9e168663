#include <QIODevice>
#include <QTimer>

#include "links/VaComm.h"
#include "output/output_state.h"
#include "plugin/tform1.h"

using namespace encoder_output;

namespace {

// Replies are read only in bidirectional mode without the rate limit; in every other mode
// nothing would ever examine them, so they are not kept.
bool RepliesAreRead(const OutputState& out) {
    return out.Bidirectional && !out.Limit;
}

}  // namespace

void TForm1::SimpleTCPClient1Read(QObject* Sender, QIODevice& Stream) {
    static_cast<void>(Sender);
    const QByteArray bytes = Stream.readAll();
    OutputState& out = Output();
    if (RepliesAreRead(out)) {
        out.TcpReceiveText.Append(std::string_view(bytes.constData(), bytes.size()));
    }
}

void TForm1::TimerRxDTimer(QObject* Sender) {
    static_cast<void>(Sender);
    OutputState& out = Output();
    if (!RepliesAreRead(out)) {
        return;
    }
    if (out.Connection.ActiveLink == lkSerial) {
        char byte = 0;
        try {
            while (VaComm1->ReadChar(byte)) {
                if (out.ReplyText.Append(byte)) {
                    AcknowledgementStep();
                    return;
                }
            }
        } catch (const std::exception& error) {
            SerialFailed(error);
        }
        return;
    }
    if (out.Connection.ActiveLink == lkTcp) {
        while (!out.TcpReceiveText.Empty()) {
            if (out.ReplyText.Append(out.TcpReceiveText.Take())) {
                AcknowledgementStep();
                return;
            }
        }
    }
}

void TForm1::AcknowledgementStep() {
    Output().ReplyText.Clear();
    if (TTimerSend->interval() != kAcknowledgedIntervalMs) {
        TTimerSend->setInterval(kAcknowledgedIntervalMs);
    }
    TTimerSendTimer(this);
}
