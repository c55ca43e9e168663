#include "pipeline/rds_group_record.h"

#include <bit>

static_assert(std::endian::native == std::endian::little,
              "the host's record is little-endian and is copied byte for byte");

std::string GroupTypeName(int32_t index) {
    return std::to_string(index / 2) + ((index % 2) == 0 ? "A" : "B");
}

RdsGroupRecord CopyGroupRecord(const void* hostBytes) {
    RdsGroupRecord copy;
    std::memcpy(&copy, hostBytes, sizeof copy);
    return copy;
}
