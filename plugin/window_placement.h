#pragma once

#include <cstdint>
#include <vector>

// A rectangle of screen pixels: its left and top edges and its size.
struct ScreenRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
};

struct ScreenLayout {
    ScreenRect virtualDesktop;         // the box around all monitors
    std::vector<ScreenRect> monitors;  // in the system's order
    ScreenRect primary;
};

// Where a restored window goes. A stored edge that leaves less than 50 pixels of the window
// on the virtual desktop is pulled back so that the window ends at the desktop's height or
// width; a window that then overlaps no monitor by more than 50 pixels both ways is centred
// on the primary screen. Stored edges are any 32-bit values: the sums are taken in 64 bits.
ScreenRect PlaceRestoredWindow(ScreenRect window, const ScreenLayout& layout);
