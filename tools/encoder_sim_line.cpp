#include "encoder_sim_line.h"

#include <utility>

namespace encoder_sim {
namespace {

constexpr char kCancel = '\x18';

}  // namespace

std::optional<LineAssembler::Line> LineAssembler::Push(char byte) {
    if (byte == '\r' || byte == '\n') {
        if (m_overlong) {
            return take(Kind::OverlongRest, 1);
        }
        if (byte == '\n') {
            return take(Kind::LineFeed, 1);
        }
        if (!m_text.empty() && m_text.back() == kCancel) {
            m_text.pop_back();
            return take(Kind::Cancelled, 2);
        }
        return take(m_text.empty() ? Kind::Empty : Kind::Text, 1);
    }
    if (m_overlong) {
        ++m_restBytes;
        return std::nullopt;
    }
    if (m_text.size() == kMaxLineLength) {
        m_overlong = true;
        m_text.clear();
        return Line{Kind::Overlong, std::string(), kMaxLineLength + 1};
    }
    m_text += byte;
    return std::nullopt;
}

std::optional<LineAssembler::Line> LineAssembler::Finish() {
    if (m_overlong && m_restBytes > 0) {
        return take(Kind::OverlongRest, 0);
    }
    if (m_overlong || m_text.empty()) {
        m_overlong = false;
        return std::nullopt;
    }
    return take(Kind::Cut, 0);
}

// The line so far plus `extra` bytes of its end; the assembler starts a fresh line.
std::optional<LineAssembler::Line> LineAssembler::take(Kind kind, std::size_t extra) {
    Line line{kind, std::exchange(m_text, std::string()), extra};
    line.bytes += kind == Kind::OverlongRest ? m_restBytes : line.text.size();
    m_overlong = false;
    m_restBytes = 0;
    return line;
}

}  // namespace encoder_sim
