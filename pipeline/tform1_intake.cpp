#include <QLabel>
#include <QListWidget>

#include "pipeline/group_filter.h"
#include "pipeline/library_state.h"
#include "plugin/tform1.h"

namespace {

void ShowCount(QLabel* label, int32_t value) {
    label->setText(QString::number(value));
}

bool IsTicked(const QListWidget* list, int row) {
    const QListWidgetItem* item = list->item(row);
    return item != nullptr && item->checkState() == Qt::Checked;
}

}  // namespace

void TForm1::ReceiveGroup(const RdsGroupRecord* group) {
    if (group == nullptr) {
        return;
    }
    const RdsGroupRecord copy = CopyGroupRecord(group);
    PipelineCounters& counters = Counters();
    ShowCount(LR, IncrementCounter(counters.ReceivedTotal));
    IncrementCounter(counters.ReceivedThisPeriod);

    if (!IsValidBlock(copy.Block2) || !IsValidBlock(copy.Block3) || !IsValidBlock(copy.Block4)) {
        ShowCount(LE, IncrementCounter(counters.CrcDiscards));
        return;
    }
    if (IsTicked(CLBSHOW, GroupTypeIndex(copy))) {
        AddToBuffer(copy);
        return;
    }
    if (MaskMatch(copy, group_filter::kMaskSelector)) {
        AddToBuffer(copy);
        return;
    }
    ShowCount(LF, IncrementCounter(counters.FilterDiscards));
}

void TForm1::AddToBuffer(const RdsGroupRecord& group) {
    if (OutputBuffer().Add(group)) {
        ShowCount(LL, IncrementCounter(Counters().OverrunLosses));
    }
    ShowCount(LW, BufferLength());
}

void TForm1::ReadFromBuffer(RdsGroupRecord& group) {
    if (OutputBuffer().Read(group)) {
        ShowCount(LW, BufferLength());
    }
}

int32_t TForm1::BufferLength() const {
    return OutputBuffer().Length();
}
