// Values a workspace brings back, however hostile: item indexes, ticks, texts for the 256-byte
// buffers, and the window's stored edges against a monitor layout.
// Properties: an index always names an item or none; a buffered text is a NUL-terminated prefix
// of at most 255 bytes that cuts no UTF-8 character of a valid text; a placed window stays where
// it is when placed again.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "plugin/window_placement.h"
#include "plugin/workspace_rules.h"

namespace {

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "property failed: %s\n", what);
        std::abort();
    }
}

bool ValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80         ? 1
                                   : (lead >> 5) == 6  ? 2
                                   : (lead >> 4) == 14 ? 3
                                   : (lead >> 3) == 30 ? 4
                                                       : 0;
        if (length == 0 || i + length > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) >> 6) != 2) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

class Input {
public:
    Input(const uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    int32_t Int() {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            value = value << 8 | (m_at < m_size ? m_data[m_at++] : 0);
        }
        return static_cast<int32_t>(value);
    }
    std::string_view Rest() const {
        return {reinterpret_cast<const char*>(m_data) + m_at, m_size - std::min(m_at, m_size)};
    }

private:
    const uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

// A monitor within 8192 pixels right of and below the origin, 1 to 4096 pixels each way.
ScreenRect Monitor(Input& in) {
    return {in.Int() & 0x1FFF, in.Int() & 0x1FFF, 1 + (in.Int() & 0xFFF), 1 + (in.Int() & 0xFFF)};
}

// As an X11 screen: the virtual desktop starts at the origin and holds every monitor; the
// first monitor is the primary screen.
ScreenLayout Layout(Input& in) {
    ScreenLayout layout{{}, {Monitor(in), Monitor(in)}, {}};
    const ScreenRect& a = layout.monitors[0];
    const ScreenRect& b = layout.monitors[1];
    layout.virtualDesktop = {0, 0, std::max(a.left + a.width, b.left + b.width),
                             std::max(a.top + a.height, b.top + b.height)};
    layout.primary = a;
    return layout;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    Input in(data, size);
    const int32_t stored = in.Int();
    const int radio = workspace::RadioItemIndex(stored, 5);
    Require(radio >= -1 && radio < 5 && (stored < 0 || stored >= 5 || radio == stored),
            "radio item");
    const int port = workspace::PortItemIndex(stored);
    Require(port >= -1 && port < workspace::kSerialPortCount, "port item");

    const ScreenLayout layout = Layout(in);
    const ScreenRect window{in.Int(), in.Int(), 417, 332};
    const ScreenRect placed = PlaceRestoredWindow(window, layout);
    const ScreenRect again = PlaceRestoredWindow(placed, layout);
    Require(again.left == placed.left && again.top == placed.top, "placement settles");

    const std::string_view text = in.Rest();
    workspace::SettingsBuffer buffer;
    workspace::CopyToSettingsBuffer(text, buffer);
    const std::size_t length = strnlen(buffer.data(), buffer.size());
    Require(length < buffer.size(), "buffer terminated");
    Require(text.substr(0, length) == std::string_view(buffer.data(), length), "buffer prefix");
    if (ValidUtf8(text) && text.find('\0') == std::string_view::npos) {
        Require(ValidUtf8(std::string_view(buffer.data(), length)), "whole characters");
        Require(length == std::min<std::size_t>(text.size(), 255) || text.size() > 255,
                "short text whole");
    }
    return 0;
}
