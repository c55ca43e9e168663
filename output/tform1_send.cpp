#include <string>

#include "SimpleTCP.h"
#include "VaComm.h"
#include "output/output_state.h"
#include "pipeline/library_state.h"
#include "plugin/error_report.h"
#include "plugin/tform1_handlers.h"

using namespace encoder_output;

void TForm1Handlers::TTimerSendTimer(EventSender Sender) {
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
    if (out.Connection.ActiveLink == lkSerial) {
        SendSerialGroup();
        return;
    }
    // A serial port left open beside TCP is not written again: what it still keeps goes over TCP.
    SettleHeldSerialGroup();
    RdsGroupRecord group;
    if (!OutputBuffer().Peek(group)) {
        return;
    }
    const SendPlan plan = PlanSend(group, out.Keep, out.CurrentPI, out.LastSentPI);
    out.CurrentPI = plan.currentPI;
    if (plan.piCommand) {
        WriteCommand(*plan.piCommand);
    }
    out.LastSentPI = plan.lastSentPI;
    WriteCommand(plan.groupCommand);
    ReadFromBuffer(group);
    CountSentGroup();
}

// A group's commands go to the serial port as one text, which the port takes whole or not at
// all. When the device does not take all of it at once the port keeps the rest: the group then
// stays first in the queue, and counts as sent (with its PI step) only once the port has written
// the last byte. Until then each tick only offers the kept bytes to the device again.
void TForm1Handlers::SendSerialGroup() {
    OutputState& out = Output();
    if (out.SerialHeld) {
        FinishHeldSerialGroup();
        return;
    }
    RdsGroupRecord group;
    if (!OutputBuffer().Peek(group)) {
        return;
    }
    const SendPlan plan = PlanSend(group, out.Keep, out.CurrentPI, out.LastSentPI);
    out.CurrentPI = plan.currentPI;
    std::string text = out.SerialLineCut ? std::string(kCancelLine) : std::string();
    text += plan.piCommand.value_or(std::string()) + plan.groupCommand;
    if (!WriteSerial(text)) {
        return;
    }
    out.SerialLineCut = false;
    out.SerialHeld =
        HeldSerialGroup{OutputBuffer().FrontNumber(), text, out.LastSentPI, plan.lastSentPI};
    if (VaComm1->PendingBytes() == 0) {
        CompleteHeldSerialGroup();
    }
}

void TForm1Handlers::FinishHeldSerialGroup() {
    bool written = false;
    try {
        written = VaComm1->FlushPending();
    } catch (const std::exception& error) {
        SerialFailed(error);
        return;
    }
    if (written) {
        CompleteHeldSerialGroup();
    }
}

// The port has written the held text whole: the encoder has the PI, and the group is sent.
void TForm1Handlers::CompleteHeldSerialGroup() {
    OutputState& out = Output();
    const HeldSerialGroup held = std::move(*out.SerialHeld);
    out.SerialHeld.reset();
    // A Clear meanwhile asked for the next group's PI whatever it is; that request stands.
    if (out.LastSentPI == held.LastSentPIBefore) {
        out.LastSentPI = held.LastSentPIAfter;
    }
    // A group that a Clear or an overrun took from the queue meanwhile was accounted for there.
    RdsGroupRecord group;
    if (OutputBuffer().FrontNumber() != held.Front || !OutputBuffer().Peek(group)) {
        return;
    }
    ReadFromBuffer(group);
    CountSentGroup();
}

// The port is about to close, or is no longer written to: what it still keeps of the held text
// is dropped with it, so the group, still first and with its PI step undone, goes out again
// whole. A cut inside a command is remembered for the next serial text to cancel.
void TForm1Handlers::SettleHeldSerialGroup() noexcept {
    OutputState& out = Output();
    try {
        if (!out.SerialHeld) {
            return;
        }
        const auto dropped = static_cast<std::size_t>(VaComm1->PendingBytes());
        if (dropped == 0) {
            CompleteHeldSerialGroup();
            return;
        }
        const std::string& text = out.SerialHeld->Text;
        out.SerialLineCut = dropped >= text.size() ? text.starts_with(kCancelLine)
                                                   : EndsInsideACommand(text, dropped);
    } catch (...) {
        out.SerialLineCut = true;
    }
    out.SerialHeld.reset();
}

void TForm1Handlers::CountSentGroup() {
    PipelineCounters& counters = Counters();
    m_ui.LS->SetText(std::to_string(IncrementCounter(counters.SentTotal)));
    IncrementCounter(counters.SentThisPeriod);
}

void TForm1Handlers::Send(const std::string& prefix, const std::string& argument) {
    WriteCommand(prefix + argument + '\r');
}

void TForm1Handlers::SendTCP(const std::string& prefix, const std::string& argument) {
    WriteTcp(prefix + argument + '\r');
}

void TForm1Handlers::WriteTcp(const std::string& text) {
    Output().ReplyText.Clear();
    SimpleTCPClient1->SendBuffer(text.data(), static_cast<int>(text.size()));
    if (Output().Bidirectional) {
        RestartSendTimer();
    }
}

bool TForm1Handlers::WriteCommand(const std::string& text) {
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

// The serial link finishes a text it could not write whole before it takes the next one, and
// takes nothing while such a tail waits: a text it did not take is written again later.
bool TForm1Handlers::WriteSerial(const std::string& text) {
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

void TForm1Handlers::RestartSendTimer() {
    ui::SetIntervalIfChanged(*m_ui.TTimerSend, Output().SendInterval);
    m_ui.TTimerSend->Start();
}
