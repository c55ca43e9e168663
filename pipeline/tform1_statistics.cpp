#include "output/output_state.h"
#include "pipeline/library_state.h"
#include "pipeline/rate_text.h"
#include "plugin/tform1_handlers.h"

void TForm1Handlers::ClearAll() {
    OutputBuffer().Clear();
    ForgetSentPI();
    PipelineCounters& counters = Counters();
    counters.ReceivedTotal = 0;
    counters.ReceivedThisPeriod = 0;
    counters.CrcDiscards = 0;
    counters.FilterDiscards = 0;
    counters.OverrunLosses = 0;
    counters.SentTotal = 0;
    counters.SentThisPeriod = 0;
    for (ui::Label* label : {m_ui.LR, m_ui.LE, m_ui.LF, m_ui.LW, m_ui.LL, m_ui.LS}) {
        label->SetText("0");
    }
    m_ui.LRPS->SetText("0.0");
    m_ui.LSPS->SetText("0.0");
    m_ui.LSTART->SetText(m_ui.System->LocalDateAndTimeText());
}

void TForm1Handlers::Button1Click(EventSender sender) {
    static_cast<void>(sender);
    ClearAll();
}

void TForm1Handlers::TimerPerSecTimer(EventSender sender) {
    static_cast<void>(sender);
    PipelineCounters& counters = Counters();
    const float seconds = static_cast<float>(m_ui.TimerPerSec->Interval()) / 1000.0F;
    const std::string separator = m_ui.System->DecimalSeparator();
    m_ui.LRPS->SetText(RateText(counters.ReceivedThisPeriod, seconds, separator));
    m_ui.LSPS->SetText(RateText(counters.SentThisPeriod, seconds, separator));
    counters.ReceivedThisPeriod = 0;
    counters.SentThisPeriod = 0;
}
