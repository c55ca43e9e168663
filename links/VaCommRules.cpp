#include "VaCommRules.h"

namespace va_comm {
namespace {

using namespace va_event_bits;

// Indexed by TVaCommEvent.
constexpr std::uint32_t kEventBits[] = {kBreak,    kCts,    kDsr,    kError,   kRing,
                                        kRlsd,     kRxChar, kRxFlag, kTxEmpty, kPErr,
                                        kRx80Full, kEvent1, kEvent2};

// Bits per second, indexed by TVaBaudrate; brUser stands for UserBaudrate.
constexpr std::int64_t kBitsPerSecond[] = {0,     110,    300,    600,   1200,  2400,
                                           4800,  9600,   14400,  19200, 38400, 56000,
                                           57600, 115200, 128000, 256000};

}  // namespace

std::string FillMessage(std::string_view pattern, std::initializer_list<std::string> values) {
    std::string result;
    auto next = values.begin();
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const bool placeholder = pattern[i] == '%' && i + 1 < pattern.size() &&
                                 (pattern[i + 1] == 'd' || pattern[i + 1] == 's');
        if (placeholder && next != values.end()) {
            result += *next++;
            ++i;
        } else {
            result += pattern[i];
        }
    }
    return result;
}

std::string ErrorMessage(std::string_view pattern, long error, const std::string& systemText) {
    return FillMessage(pattern, {std::to_string(error), systemText});
}

std::int64_t BitsPerSecond(TVaBaudrate rate, std::int32_t userBaudrate) {
    if (rate == brUser || rate < brUser || rate > br256000) {
        return userBaudrate;
    }
    return kBitsPerSecond[rate];
}

EventMasks EventMaskOf(TVaCommEvents events, bool directWrite) {
    EventMasks masks;
    for (int member = ceBreak; member <= ceEvent2; ++member) {
        if (events.Contains(static_cast<TVaCommEvent>(member))) {
            masks.monitored |= kEventBits[member];
        }
    }
    masks.wait = directWrite ? masks.monitored : masks.monitored & ~kTxEmpty;
    return masks;
}

}  // namespace va_comm
