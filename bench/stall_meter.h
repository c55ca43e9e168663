// The longest gaps between ticks of a 1 ms timer: what a user would feel as a frozen window.
#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstddef>
#include <vector>

class StallMeter {
public:
    StallMeter() {
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_gapsUs.push_back((now - m_last) / 1000);
            m_last = now;
        });
        m_clock.start();
        m_last = m_clock.nsecsElapsed();
        m_timer.start(1);
    }
    double MaxMs() const {
        return m_gapsUs.empty() ? 0 : *std::max_element(m_gapsUs.begin(), m_gapsUs.end()) / 1e3;
    }
    double PercentileMs(double fraction) const {
        if (m_gapsUs.empty()) {
            return 0;
        }
        std::vector<qint64> sorted = m_gapsUs;
        std::sort(sorted.begin(), sorted.end());
        const auto rank = static_cast<std::size_t>(fraction * static_cast<double>(sorted.size()));
        return sorted[std::min(rank, sorted.size() - 1)] / 1e3;
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    std::vector<qint64> m_gapsUs;
};
