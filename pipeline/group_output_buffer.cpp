#include "pipeline/group_output_buffer.h"

bool GroupOutputBuffer::Add(const RdsGroupRecord& group) noexcept {
    const bool overrun = Length() + 1 >= kSlots;
    m_slots[static_cast<std::size_t>(m_writeIndex)] = group;
    m_writeIndex = (m_writeIndex + 1) % kSlots;
    if (m_writeIndex == m_readIndex) {
        m_readIndex = (m_readIndex + 1) % kSlots;
        ++m_frontNumber;
    }
    return overrun;
}

bool GroupOutputBuffer::Read(RdsGroupRecord& group) noexcept {
    if (Length() == 0) {
        return false;
    }
    group = m_slots[static_cast<std::size_t>(m_readIndex)];
    m_readIndex = (m_readIndex + 1) % kSlots;
    ++m_frontNumber;
    return true;
}

bool GroupOutputBuffer::Peek(RdsGroupRecord& group) const noexcept {
    if (Length() == 0) {
        return false;
    }
    group = m_slots[static_cast<std::size_t>(m_readIndex)];
    return true;
}

int32_t GroupOutputBuffer::Length() const noexcept {
    const int32_t difference = m_writeIndex - m_readIndex;
    return difference < 0 ? difference + kSlots : difference;
}

void GroupOutputBuffer::Clear() noexcept {
    m_frontNumber += static_cast<uint64_t>(Length());
    m_writeIndex = 0;
    m_readIndex = 0;
}
