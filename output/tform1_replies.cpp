#include "VaComm.h"
#include "output/output_state.h"
#include "plugin/tform1_handlers.h"

using namespace encoder_output;

namespace {

// Replies are read only in bidirectional mode without the rate limit; in every other mode
// nothing would ever examine them, so they are not kept.
bool RepliesAreRead(const OutputState& out) {
    return out.Bidirectional && !out.Limit;
}

}  // namespace

void TForm1Handlers::SimpleTCPClient1Read(EventSender Sender, std::string_view Received) {
    static_cast<void>(Sender);
    OutputState& out = Output();
    if (RepliesAreRead(out)) {
        out.TcpReceiveText.Append(Received);
    }
}

void TForm1Handlers::TimerRxDTimer(EventSender Sender) {
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

void TForm1Handlers::AcknowledgementStep() {
    Output().ReplyText.Clear();
    ui::SetIntervalIfChanged(*m_ui.TTimerSend, kAcknowledgedIntervalMs);
    TTimerSendTimer(this);
}
