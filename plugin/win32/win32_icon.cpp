#include "plugin/win32/win32_icon.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace win32_icon {
namespace {

constexpr double kPi = 3.14159265358979323846;

// Whether the middle of pixel (x, y) lies on the tile: a square of `size` with corners rounded
// by 18 % of it.
bool OnTile(int x, int y, int size) {
    const double radius = size * 0.18;
    const double px = x + 0.5;
    const double py = y + 0.5;
    const double cx = std::clamp(px, radius, size - radius);
    const double cy = std::clamp(py, radius, size - radius);
    return (px - cx) * (px - cx) + (py - cy) * (py - cy) <= radius * radius;
}

HPEN RoundPen(int width, COLORREF colour) {
    const LOGBRUSH brush{BS_SOLID, colour, 0};
    return ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND,
                        static_cast<DWORD>(width), &brush, 0, nullptr);
}

void Line(HDC dc, double x1, double y1, double x2, double y2) {
    MoveToEx(dc, static_cast<int>(std::lround(x1)), static_cast<int>(std::lround(y1)), nullptr);
    LineTo(dc, static_cast<int>(std::lround(x2)), static_cast<int>(std::lround(y2)));
}

// The mast and its waves, on the tile's blue, with the proportions of the Linux drawing.
void DrawPicture(HDC dc, int size) {
    const double s = size;
    const HBRUSH blue = CreateSolidBrush(RGB(0x1f, 0x5f, 0xa8));
    const RECT all{0, 0, size, size};
    FillRect(dc, &all, blue);
    DeleteObject(blue);
    const HPEN mast = RoundPen(std::max(2, size / 12), RGB(0xff, 0xff, 0xff));
    HGDIOBJ old = SelectObject(dc, mast);
    const double topX = s * 0.32;
    const double topY = s * 0.22;
    Line(dc, topX, topY, s * 0.18, s * 0.84);
    Line(dc, topX, topY, s * 0.46, s * 0.84);
    Line(dc, s * 0.24, s * 0.58, s * 0.40, s * 0.58);
    const HPEN wave = RoundPen(std::max(1, size / 14), RGB(0xff, 0xd4, 0x3b));
    SelectObject(dc, wave);
    DeleteObject(mast);
    const double along = std::cos(50 * kPi / 180);
    const double across = std::sin(50 * kPi / 180);
    for (int i = 1; i <= 2; ++i) {
        const double r = s * 0.16 * i;
        // Counter-clockwise on the screen from 50 degrees below the horizontal to 50 above it.
        Arc(dc, static_cast<int>(topX - r), static_cast<int>(topY - r), static_cast<int>(topX + r),
            static_cast<int>(topY + r), static_cast<int>(topX + r * along),
            static_cast<int>(topY + r * across), static_cast<int>(topX + r * along),
            static_cast<int>(topY - r * across));
    }
    SelectObject(dc, old);
    DeleteObject(wave);
}

// Opaque on the tile and clear beside its rounded corners, in the colours' alpha and in the
// mask (one bit a pixel, rows of whole 16-bit words, set where the icon is clear).
HBITMAP MakeMask(uint32_t* pixels, int size) {
    const int stride = (size + 15) / 16 * 2;
    std::vector<uint8_t> bits(static_cast<size_t>(stride) * size, 0);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            uint32_t& pixel = pixels[y * size + x];
            if (OnTile(x, y, size)) {
                pixel = (pixel & 0x00FFFFFFu) | 0xFF000000u;
            } else {
                pixel = 0;
                bits[y * stride + x / 8] |= static_cast<uint8_t>(0x80u >> (x % 8));
            }
        }
    }
    return CreateBitmap(size, size, 1, 1, bits.data());
}

}  // namespace

IconOwner::~IconOwner() {
    if (m_icon != nullptr) {
        DestroyIcon(m_icon);
    }
}

HICON DrawTolvaneIcon(int size) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), size, -size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HBITMAP colour = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (colour == nullptr) {
        return nullptr;
    }
    const HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ old = SelectObject(dc, colour);
    DrawPicture(dc, size);
    GdiFlush();
    SelectObject(dc, old);
    DeleteDC(dc);
    const HBITMAP mask = MakeMask(static_cast<uint32_t*>(bits), size);
    ICONINFO parts{TRUE, 0, 0, mask, colour};
    const HICON icon = mask != nullptr ? CreateIconIndirect(&parts) : nullptr;
    // The icon keeps copies of both bitmaps.
    DeleteObject(colour);
    if (mask != nullptr) {
        DeleteObject(mask);
    }
    return icon;
}

}  // namespace win32_icon
