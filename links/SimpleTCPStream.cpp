#include "SimpleTCPStream.h"

#include <algorithm>
#include <cstring>

void TSimpleTCPStream::SetPosition(int64_t Value) noexcept {
    m_position = static_cast<size_t>(std::clamp<int64_t>(Value, 0, Size()));
}

int TSimpleTCPStream::Read(void* Buffer, int Count) noexcept {
    const size_t count =
        std::min(static_cast<size_t>(std::max(Count, 0)), m_bytes.size() - m_position);
    std::memcpy(Buffer, m_bytes.data() + m_position, count);
    m_position += count;
    return static_cast<int>(count);
}

std::string TSimpleTCPStream::ReadAll() {
    std::string rest(m_bytes.substr(m_position));
    m_position = m_bytes.size();
    return rest;
}
