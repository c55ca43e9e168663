#include "pipeline/rate_text.h"

#include <array>
#include <charconv>
#include <cmath>

namespace {

constexpr int kSignificantDigits = 7;

// Rounds away the digits beyond the seventh significant one; values below 10^6 keep their
// one decimal unchanged, as they have at most seven digits already.
double KeepSignificantDigits(double value) {
    if (value < 1e6) {
        return value;
    }
    const int wholeDigits = static_cast<int>(std::floor(std::log10(value))) + 1;
    const double unit = std::pow(10.0, wholeDigits - kSignificantDigits);
    return std::round(value / unit) * unit;
}

}  // namespace

std::string RateText(int32_t periodCount, float periodSeconds, std::string_view decimalSeparator) {
    const double count = static_cast<double>(static_cast<uint32_t>(periodCount));
    const double seconds = periodSeconds > 0 ? static_cast<double>(periodSeconds) : 1.0;
    const double rate = KeepSignificantDigits(count / seconds);
    // to_chars ignores the C locale, which a Qt host sets from the environment.
    std::array<char, 64> digits{};
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), rate,
                                      std::chars_format::fixed, 1);
    std::string text(digits.data(), result.ptr);
    const std::size_t point = text.find('.');
    if (point != std::string::npos) {
        text.replace(point, 1, decimalSeparator);
    }
    return text;
}
