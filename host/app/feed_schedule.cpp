#include "feed_schedule.h"

#include <charconv>
#include <cstdlib>
#include <string>

std::size_t FeedSchedule::Due(std::int64_t nowMs, std::size_t total) const {
    if (m_options.rate <= 0) {
        return total;
    }
    const double due = static_cast<double>(nowMs) / 1000.0 * m_options.rate + 1;
    return due >= static_cast<double>(total) ? total : static_cast<std::size_t>(due);
}

bool FeedSchedule::ShouldFinish(std::int64_t nowMs, bool inputDone, bool windowVisible,
                                bool queueEmpty) {
    if (m_options.quitAfter >= 0 && static_cast<double>(nowMs) >= m_options.quitAfter * 1000) {
        return true;
    }
    if (!inputDone || windowVisible || m_options.quitAfter >= 0) {
        return false;
    }
    if (m_inputDoneAt < 0) {
        m_inputDoneAt = nowMs;
    }
    if (static_cast<double>(nowMs - m_inputDoneAt) >= m_options.waitSent * 1000) {
        return true;
    }
    if (!queueEmpty) {
        m_emptySince = -1;
        return false;
    }
    if (m_emptySince < 0) {
        m_emptySince = nowMs;
    }
    return nowMs - m_emptySince >= kSettleMs;
}

bool WaitingLabelShowsEmpty(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && text.back() == ' ') {
        text.remove_suffix(1);
    }
    long long count = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
    const bool isNumber = !text.empty() && error == std::errc() && end == text.data() + text.size();
    return !isNumber || count == 0;
}

bool QuitAfterInRange(double seconds) {
    return seconds >= 0 && seconds * 1000 < kQuitAfterLimitMs;
}

std::optional<double> ParseSeconds(std::string_view text) {
    const std::string_view blanks = " \t";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return std::nullopt;
    }
    text = text.substr(first, text.find_last_not_of(blanks) - first + 1);
    // Decimal notation only: strtod alone would also take hexadecimal, "inf" and "nan".
    if (text.find_first_not_of("0123456789+-.eE") != std::string_view::npos) {
        return std::nullopt;
    }
    const std::string copy(text);
    char* end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size()) {
        return std::nullopt;
    }
    return value;
}
