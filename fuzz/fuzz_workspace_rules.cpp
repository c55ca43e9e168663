// Values a workspace brings back, however hostile: item indexes, ticks, texts for the 256-byte
// buffers, and the window's stored edges against a monitor layout.
// Properties: an index always names an item or none; a buffered text is a NUL-terminated prefix
// of at most 255 bytes that cuts no character of a well-formed UTF-8 text and any other text at
// byte 255; a stored text shows as itself when UTF-8, else one character per byte; a placed
// window stays where it is when placed again.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "plugin/window_placement.h"
#include "plugin/workspace_rules.h"

namespace {

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "property failed: %s\n", what);
        std::abort();
    }
}

// The code points of a well-formed UTF-8 text, decoded the long way, or nothing when the text
// is not one: every character in its shortest form, no surrogates, nothing above U+10FFFF.
std::optional<std::vector<char32_t>> DecodeUtf8(std::string_view text) {
    std::vector<char32_t> decoded;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80         ? 1
                                   : (lead >> 5) == 6  ? 2
                                   : (lead >> 4) == 14 ? 3
                                   : (lead >> 3) == 30 ? 4
                                                       : 0;
        if (length == 0 || i + length > text.size()) {
            return std::nullopt;
        }
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next >> 6) != 2) {
                return std::nullopt;
            }
            c = c << 6 | (next & 0x3F);
        }
        const std::size_t shortest = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        if (shortest != length || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
            return std::nullopt;
        }
        decoded.push_back(c);
        i += length;
    }
    return decoded;
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

void CheckSettingsBuffer(std::string_view text, bool utf8) {
    workspace::SettingsBuffer buffer;
    workspace::CopyToSettingsBuffer(text, buffer);
    const std::size_t length = strnlen(buffer.data(), buffer.size());
    Require(length < buffer.size(), "buffer terminated");
    Require(text.substr(0, length) == std::string_view(buffer.data(), length), "buffer prefix");
    if (text.find('\0') != std::string_view::npos) {
        return;
    }
    const std::size_t whole = std::min<std::size_t>(text.size(), 255);
    if (utf8) {
        Require(DecodeUtf8(std::string_view(buffer.data(), length)).has_value(),
                "whole characters");
        Require(length <= whole && length + 3 >= whole, "cut within the last character");
    } else {
        Require(length == whole, "one character per byte");
    }
}

// A stored text: how it shows, its first characters, and its cut for the settings buffer.
void CheckStoredText(std::string_view text) {
    const auto decoded = DecodeUtf8(text);
    Require(workspace::IsUtf8(text) == decoded.has_value(), "UTF-8 recognised");
    const std::string shown = workspace::DisplayText(text);
    const auto shownDecoded = DecodeUtf8(shown);
    Require(shownDecoded.has_value(), "shown as UTF-8");
    if (decoded) {
        Require(shown == text, "UTF-8 shown as it is");
    } else {
        Require(shownDecoded->size() == text.size(), "one character per byte");
        for (std::size_t i = 0; i < text.size(); ++i) {
            const auto byte = static_cast<unsigned char>(text[i]);
            Require(byte >= 0x80 || (*shownDecoded)[i] == byte, "ASCII shown as it is");
            Require(byte < 0xA0 || (*shownDecoded)[i] == byte, "upper half as Latin-1");
        }
    }
    const std::size_t count = text.empty() ? 0 : static_cast<unsigned char>(text[0]);
    const std::string_view first = workspace::FirstCharacters(text, count);
    Require(text.substr(0, first.size()) == first, "first characters a prefix");
    const std::size_t characters = decoded ? DecodeUtf8(first)->size() : first.size();
    Require(characters == std::min(count, decoded ? decoded->size() : text.size()),
            "first characters counted");
    CheckSettingsBuffer(text, decoded.has_value());
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

    CheckStoredText(in.Rest());
    return 0;
}
