#include <QLabel>
#include <QTimer>

#include "links/SimpleTCP.h"
#include "links/VaComm.h"
#include "output/output_state.h"
#include "pipeline/library_state.h"
#include "plugin/error_report.h"
#include "plugin/tform1.h"

using namespace encoder_output;

void TForm1::TTimerSendTimer(QObject* Sender) {
    static_cast<void>(Sender);
    OutputState& out = Output();
    const int64_t now = OutputClock()();
    if (BufferLength() <= 0 || out.Connection.ActiveLink == lkNone) {
        return;
    }
    if (out.Bidirectional && !SpacingAllows(out.LastSendTime, now)) {
        return;
    }
    out.LastSendTime = now;
    RdsGroupRecord group;
    if (!OutputBuffer().Peek(group)) {
        return;
    }
    const SendPlan plan = PlanSend(group, out.Keep, out.CurrentPI, out.LastSentPI);
    out.CurrentPI = plan.currentPI;
    // A serial port that does not take a command leaves the group first in the queue, with the
    // PI state as it was, so that the next tick writes the same commands again.
    if (plan.piCommand && !WriteCommand(*plan.piCommand)) {
        return;
    }
    out.LastSentPI = plan.lastSentPI;
    if (!WriteCommand(plan.groupCommand)) {
        return;
    }
    ReadFromBuffer(group);
    PipelineCounters& counters = Counters();
    LS->setText(QString::number(IncrementCounter(counters.SentTotal)));
    IncrementCounter(counters.SentThisPeriod);
}

void TForm1::Send(const std::string& prefix, const std::string& argument) {
    WriteCommand(prefix + argument + '\r');
}

void TForm1::SendTCP(const std::string& prefix, const std::string& argument) {
    WriteTcp(prefix + argument + '\r');
}

void TForm1::WriteTcp(const std::string& text) {
    Output().ReplyText.Clear();
    SimpleTCPClient1->SendBuffer(text.data(), static_cast<int>(text.size()));
    if (Output().Bidirectional) {
        RestartSendTimer();
    }
}

bool TForm1::WriteCommand(const std::string& text) {
    OutputState& out = Output();
    switch (out.Connection.ActiveLink) {
        case lkTcp:
            WriteTcp(text);
            return true;
        case lkSerial:
            return WriteSerial(text);
        case lkNone:
            break;
    }
    return true;
}

// The serial link finishes a command it could not write whole before it takes the next one,
// and takes nothing while such a tail waits: a command it did not take is written again later.
bool TForm1::WriteSerial(const std::string& text) {
    OutputState& out = Output();
    out.ReplyText.Clear();
    int taken = 0;
    try {
        taken = VaComm1->WriteBuf(text.data(), static_cast<int>(text.size()));
    } catch (const std::exception& error) {
        SerialFailed(error);
        return false;
    }
    if (taken > 0 && out.Bidirectional) {
        RestartSendTimer();
    }
    return taken > 0;
}

void TForm1::RestartSendTimer() {
    if (TTimerSend->interval() != Output().SendInterval) {
        TTimerSend->setInterval(Output().SendInterval);
    }
    TTimerSend->stop();
    TTimerSend->start();
}
