#include "support/plugin_driver.h"

#include <algorithm>

namespace blackbox {

GroupRecord Group(int32_t block1, int32_t block2, int32_t block3, int32_t block4) {
    return {{0, 0, 0, block1, block2, block3, block4}};
}

int64_t NowUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double LoopLatencyProbe::MaxMs() const {
    return m_latenciesUs.empty() ? 0
                                 : static_cast<double>(*std::max_element(m_latenciesUs.begin(),
                                                                         m_latenciesUs.end())) /
                                       1e3;
}

double LoopLatencyProbe::PercentileMs(double fraction) const {
    std::vector<int64_t> sorted = m_latenciesUs;
    if (sorted.empty()) {
        return 0;
    }
    std::sort(sorted.begin(), sorted.end());
    const auto rank = static_cast<std::size_t>(fraction * static_cast<double>(sorted.size()));
    return static_cast<double>(sorted[std::min(rank, sorted.size() - 1)]) / 1e3;
}

std::size_t LoopLatencyProbe::Count() const {
    return m_latenciesUs.size();
}

}  // namespace blackbox
