#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTimer>

#include "output/output_state.h"
#include "pipeline/library_state.h"
#include "pipeline/rate_text.h"
#include "plugin/tform1.h"

namespace {

QString RateLabelText(int32_t periodCount, int intervalMilliseconds) {
    const float seconds = static_cast<float>(intervalMilliseconds) / 1000.0F;
    const std::string separator = QLocale::system().decimalPoint().toStdString();
    return QString::fromStdString(RateText(periodCount, seconds, separator));
}

// The user's short date and long time, as the system's regional settings write them.
QString LocalDateAndTimeText() {
    const QLocale locale = QLocale::system();
    const QDateTime now = QDateTime::currentDateTime();
    return locale.toString(now.date(), QLocale::ShortFormat) + QChar(u' ') +
           locale.toString(now.time(), QLocale::LongFormat);
}

}  // namespace

void TForm1::WireStatistics() {
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(Button1); });
    connect(TimerPerSec, &QTimer::timeout, this, [this] { TimerPerSecTimer(TimerPerSec); });
}

void TForm1::ClearAll() {
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
    for (QLabel* label : {LR, LE, LF, LW, LL, LS}) {
        label->setText(QString::fromUtf8("0"));
    }
    LRPS->setText(QString::fromUtf8("0.0"));
    LSPS->setText(QString::fromUtf8("0.0"));
    LSTART->setText(LocalDateAndTimeText());
}

void TForm1::Button1Click(QObject* sender) {
    static_cast<void>(sender);
    ClearAll();
}

void TForm1::TimerPerSecTimer(QObject* sender) {
    static_cast<void>(sender);
    PipelineCounters& counters = Counters();
    LRPS->setText(RateLabelText(counters.ReceivedThisPeriod, TimerPerSec->interval()));
    LSPS->setText(RateLabelText(counters.SentThisPeriod, TimerPerSec->interval()));
    counters.ReceivedThisPeriod = 0;
    counters.SentThisPeriod = 0;
}
