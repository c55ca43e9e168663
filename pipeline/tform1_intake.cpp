#include <string>

#include "pipeline/group_filter.h"
#include "pipeline/library_state.h"
#include "plugin/tform1_handlers.h"

namespace {

void ShowCount(ui::Label* label, int32_t value) {
    label->SetText(std::to_string(value));
}

}  // namespace

void TForm1Handlers::ReceiveGroup(const RdsGroupRecord* group) {
    if (group == nullptr) {
        return;
    }
    const RdsGroupRecord copy = CopyGroupRecord(group);
    PipelineCounters& counters = Counters();
    ShowCount(m_ui.LR, IncrementCounter(counters.ReceivedTotal));
    IncrementCounter(counters.ReceivedThisPeriod);

    if (!IsValidBlock(copy.Block2) || !IsValidBlock(copy.Block3) || !IsValidBlock(copy.Block4)) {
        ShowCount(m_ui.LE, IncrementCounter(counters.CrcDiscards));
        return;
    }
    if (m_ui.CLBSHOW->Checked(GroupTypeIndex(copy))) {
        AddToBuffer(copy);
        return;
    }
    if (MaskMatch(copy, group_filter::kMaskSelector)) {
        AddToBuffer(copy);
        return;
    }
    ShowCount(m_ui.LF, IncrementCounter(counters.FilterDiscards));
}

void TForm1Handlers::AddToBuffer(const RdsGroupRecord& group) {
    if (OutputBuffer().Add(group)) {
        ShowCount(m_ui.LL, IncrementCounter(Counters().OverrunLosses));
    }
    ShowCount(m_ui.LW, BufferLength());
}

void TForm1Handlers::ReadFromBuffer(RdsGroupRecord& group) {
    if (OutputBuffer().Read(group)) {
        ShowCount(m_ui.LW, BufferLength());
    }
}

int32_t TForm1Handlers::BufferLength() const {
    return OutputBuffer().Length();
}
