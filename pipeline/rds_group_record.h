#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>

// One RDS group as the host hands it over: seven signed 32-bit little-endian integers, 28 bytes.
struct RdsGroupRecord {
    int32_t HostField1 = 0;  // carried with the group, never interpreted
    int32_t HostField2 = 0;
    int32_t HostField3 = 0;
    int32_t Block1 = 0;  // PI code; negative when the host has no usable block 1
    int32_t Block2 = 0;  // group type, version, TP, PTY
    int32_t Block3 = 0;
    int32_t Block4 = 0;

    friend bool operator==(const RdsGroupRecord&, const RdsGroupRecord&) = default;
};

static_assert(sizeof(RdsGroupRecord) == 28);
static_assert(std::is_trivially_copyable_v<RdsGroupRecord>);
static_assert(std::is_standard_layout_v<RdsGroupRecord>);

// A block carries its 16 information bits; anything outside 0..65535 marks a block received in
// error.
constexpr bool IsValidBlock(int32_t block) {
    return block >= 0 && block <= 0xFFFF;
}

// Group type number times 2 plus the version bit: 0 = "0A" ... 31 = "15B" for a valid block 2.
constexpr int32_t GroupTypeIndex(const RdsGroupRecord& group) {
    return group.Block2 / 2048;
}

// "0A", "0B", "1A" ... "15B" for indexes 0..31.
std::string GroupTypeName(int32_t index);

// Reads the host's 28 bytes from memory that need not be aligned.
RdsGroupRecord CopyGroupRecord(const void* hostBytes);
