#include "output/encoder_reply.h"

#include <algorithm>

namespace encoder_output {

bool ReplyText::Append(char c) {
    if (m_tail.size() == kEncoderAck.size()) {
        m_tail.erase(0, 1);
    }
    m_tail.push_back(c);
    return m_tail == kEncoderAck;
}

void TcpReceiveText::Append(std::string_view bytes) {
    if (m_next > 0 && m_next == m_bytes.size()) {
        Clear();
    }
    const std::size_t room = kCapacity - std::min(kCapacity, Size());
    const std::size_t kept = std::min(room, bytes.size());
    if (m_next > 0 && m_bytes.size() + kept > kCapacity) {
        m_bytes.erase(0, m_next);  // keep the storage within twice the capacity
        m_next = 0;
    }
    m_bytes.append(bytes.substr(0, kept));
    m_dropped += bytes.size() - kept;
}

char TcpReceiveText::Take() {
    return m_bytes[m_next++];
}

void TcpReceiveText::Clear() noexcept {
    m_bytes.clear();
    m_next = 0;
}

}  // namespace encoder_output
