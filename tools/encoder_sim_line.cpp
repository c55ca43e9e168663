#include "encoder_sim_line.h"

namespace encoder_sim {

std::optional<LineAssembler::Line> LineAssembler::Push(char byte) {
    const bool lfOfCrLf = byte == '\n' && m_afterCr;
    m_afterCr = byte == '\r';
    if (lfOfCrLf) {
        return std::nullopt;
    }
    if (byte == '\r' || byte == '\n') {
        const bool wasOverlong = m_overlong;
        m_overlong = false;
        std::string text = std::move(m_text);
        m_text.clear();
        if (wasOverlong || text.empty()) {
            return std::nullopt;
        }
        return Line{std::move(text), false};
    }
    if (m_overlong) {
        return std::nullopt;
    }
    if (m_text.size() == kMaxLineLength) {
        m_overlong = true;
        m_text.clear();
        return Line{std::string(), true};
    }
    m_text += byte;
    return std::nullopt;
}

void LineAssembler::Reset() {
    m_text.clear();
    m_overlong = false;
    m_afterCr = false;
}

}  // namespace encoder_sim
