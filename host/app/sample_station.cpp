#include "sample_station.h"

#include <array>
#include <string_view>

namespace {

constexpr int32_t kPi = 0xD3A7;
constexpr int32_t kTrafficProgramme = 1 << 10;
constexpr int32_t kPty = 3 << 5;  // PTY 3, information
constexpr std::string_view kPs = "TOLVANE ";
// RadioText ends with a carriage return; segments after it are not sent.
constexpr std::string_view kRadioText = "Tolvane sample station: traffic news on the hour\r";
constexpr int kGroupsPerMinute = 684;

int32_t Block2(int type, int32_t lowBits) {
    return (type << 12) | kTrafficProgramme | kPty | lowBits;
}

int32_t TwoCharacters(std::string_view text, std::size_t at) {
    const auto character = [&](std::size_t i) {
        return i < text.size() ? static_cast<int32_t>(static_cast<unsigned char>(text[i])) : 0x20;
    };
    return (character(at) << 8) | character(at + 1);
}

// 0A: two characters of the name per group; music, no traffic announcement now.
std::array<int32_t, 3> ProgrammeService(int segment) {
    constexpr int32_t kMusic = 1 << 3;
    constexpr std::array<int32_t, 2> kAlternativeFrequencies = {0xE205, 0x3A8C};
    return {Block2(0, kMusic | segment), kAlternativeFrequencies[segment % 2],
            TwoCharacters(kPs, static_cast<std::size_t>(segment) * 2)};
}

std::array<int32_t, 3> RadioText(int segment) {
    const auto at = static_cast<std::size_t>(segment) * 4;
    return {Block2(2, segment), TwoCharacters(kRadioText, at), TwoCharacters(kRadioText, at + 2)};
}

// 4A for 2026-12-09 at 12:mm UTC, local time one hour ahead.
std::array<int32_t, 3> ClockTime(int minute) {
    constexpr int32_t kModifiedJulianDay = 61383;
    constexpr int32_t kHour = 12;
    constexpr int32_t kOffsetHalfHours = 2;
    return {Block2(4, kModifiedJulianDay >> 15),
            ((kModifiedJulianDay & 0x7FFF) << 1) | (kHour >> 4),
            ((kHour & 0xF) << 12) | ((minute % 60) << 6) | kOffsetHalfHours};
}

// 1A: extended country code in block 3, programme item 9th, 14:30 in block 4.
std::array<int32_t, 3> ProgrammeItem() {
    return {Block2(1, 0), 0x00E0, (9 << 11) | (14 << 6) | 30};
}

// 3A: the traffic message channel is carried in 8A groups (application id CD46).
std::array<int32_t, 3> OpenDataAnnouncement() {
    constexpr int32_t kCarriedIn8A = 8 << 1;
    return {Block2(3, kCarriedIn8A), 0x0064, 0xCD46};
}

// 8A: single-group traffic messages, event and location codes cycling through a few.
std::array<int32_t, 3> TrafficMessage(int n) {
    constexpr int32_t kSingleGroup = 1 << 3;
    constexpr std::array<int32_t, 4> kEvents = {0x0065, 0x0073, 0x01F5, 0x0401};
    constexpr std::array<int32_t, 4> kLocations = {0x2F1A, 0x3A07, 0x12C4, 0x2F1B};
    const auto i = static_cast<std::size_t>(n % 4);
    return {Block2(8, kSingleGroup | (n % 8 == 0 ? 2 : 1)), kEvents[i], kLocations[i]};
}

bool IsTrafficSlot(int slot) {
    return slot == 2 || slot == 8 || slot == 11 || slot == 17;
}

// One broadcast cycle of 20 slots: the traffic channel four times, its announcement and the
// programme item once, and the name and RadioText taking turns in the slots between them.
std::array<int32_t, 3> Slot(int n) {
    if (n % kGroupsPerMinute == 10) {
        return ClockTime(n / kGroupsPerMinute);
    }
    const int slot = n % 20;
    const int cycle = n / 20;
    if (slot == 5) {
        return OpenDataAnnouncement();
    }
    if (slot == 14) {
        return ProgrammeItem();
    }
    if (IsTrafficSlot(slot)) {
        return TrafficMessage(cycle * 4 + slot / 5);
    }
    int turn = 0;  // how many earlier slots of this cycle went to the same service
    for (int earlier = 0; earlier < slot; ++earlier) {
        turn += earlier % 2 == slot % 2 && earlier != 5 && earlier != 14 && !IsTrafficSlot(earlier);
    }
    return slot % 2 == 0 ? ProgrammeService((cycle * 7 + turn) % 4)
                         : RadioText((cycle * 7 + turn) % 13);
}

}  // namespace

std::vector<HostGroupRecord> SampleStationGroups(int count) {
    std::vector<HostGroupRecord> groups;
    groups.reserve(static_cast<std::size_t>(count > 0 ? count : 0));
    for (int n = 0; n < count; ++n) {
        const std::array<int32_t, 3> blocks = Slot(n);
        HostGroupRecord group{{n, 0, 0, kPi, blocks[0], blocks[1], blocks[2]}};
        if (n % 41 == 40) {
            group.fields[4 + (n / 41) % 3] = -1;  // one of blocks 2 to 4 failed its check
        } else if (n % 97 == 96) {
            group.fields[3] = -1;  // the PI block failed its check
        }
        groups.push_back(group);
    }
    return groups;
}
