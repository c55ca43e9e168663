#include "plugin/window_placement.h"

#include <algorithm>

namespace {

constexpr int64_t kMinimumOverlap = 50;

int64_t OverlapLength(int64_t start1, int64_t length1, int64_t start2, int64_t length2) {
    return std::min(start1 + length1, start2 + length2) - std::max(start1, start2);
}

bool OverlapsEnough(const ScreenRect& window, const ScreenRect& monitor) {
    return OverlapLength(window.left, window.width, monitor.left, monitor.width) >
               kMinimumOverlap &&
           OverlapLength(window.top, window.height, monitor.top, monitor.height) > kMinimumOverlap;
}

// Half of the free space, truncated toward zero as integer division does.
int32_t Centred(int32_t start, int32_t screenLength, int32_t windowLength) {
    return static_cast<int32_t>(start + (int64_t{screenLength} - windowLength) / 2);
}

}  // namespace

ScreenRect PlaceRestoredWindow(ScreenRect window, const ScreenLayout& layout) {
    if (int64_t{layout.virtualDesktop.height} < int64_t{window.top} + kMinimumOverlap) {
        window.top = layout.virtualDesktop.height - window.height;
    }
    if (int64_t{layout.virtualDesktop.width} < int64_t{window.left} + kMinimumOverlap) {
        window.left = layout.virtualDesktop.width - window.width;
    }
    const bool visible =
        std::any_of(layout.monitors.begin(), layout.monitors.end(),
                    [&](const ScreenRect& monitor) { return OverlapsEnough(window, monitor); });
    if (!visible) {
        window.top = Centred(layout.primary.top, layout.primary.height, window.height);
        window.left = Centred(layout.primary.left, layout.primary.width, window.width);
    }
    return window;
}
