#pragma once

#include <array>
#include <cstdint>

#include "pipeline/rds_group_record.h"

// First-in first-out ring of whole group records between the intake and the send timer.
// One slot always stays free, so at most kSlots - 1 groups wait; a full ring drops its oldest.
class GroupOutputBuffer {
public:
    static constexpr int32_t kSlots = 2048;
    static constexpr int32_t kCapacity = kSlots - 1;

    // Appends a copy. Returns true when the ring was full and its oldest group was dropped.
    [[nodiscard]] bool Add(const RdsGroupRecord& group) noexcept;

    // Moves the oldest waiting group into `group`. An empty ring leaves both untouched and
    // returns false, so a caller that forgot to check cannot wrap the indices round.
    [[nodiscard]] bool Read(RdsGroupRecord& group) noexcept;
    // Copies the oldest waiting group into `group` and leaves it waiting; false when empty.
    [[nodiscard]] bool Peek(RdsGroupRecord& group) const noexcept;

    [[nodiscard]] int32_t Length() const noexcept;
    // How many groups have left the front since the ring was made: read, dropped on overrun or
    // cleared. It names the oldest waiting group, so a caller that keeps a group waiting across
    // calls can tell whether that group is still first.
    [[nodiscard]] uint64_t FrontNumber() const noexcept { return m_frontNumber; }
    [[nodiscard]] int32_t ReadIndex() const noexcept { return m_readIndex; }
    [[nodiscard]] int32_t WriteIndex() const noexcept { return m_writeIndex; }

    // Discards every waiting group and sets both indices back to 0.
    void Clear() noexcept;

private:
    std::array<RdsGroupRecord, kSlots> m_slots{};
    int32_t m_writeIndex = 0;
    int32_t m_readIndex = 0;
    uint64_t m_frontNumber = 0;
};
