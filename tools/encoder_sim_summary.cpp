#include "encoder_sim_summary.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>
#include <utility>

namespace encoder_sim {
namespace {

constexpr std::array<std::string_view, 3> kSenderFaultLines = {"malformed lines", "empty lines",
                                                               "cut commands"};
constexpr std::array<std::string_view, 6> kByteParts = {
    "bytes in commands",     "bytes in malformed lines", "bytes in empty lines",
    "bytes in cut commands", "bytes after fault",        "bytes in cancelled lines"};

std::optional<long long> number(const std::map<std::string, std::string>& values,
                                std::string_view key) {
    const auto found = values.find(std::string(key));
    if (found == values.end()) {
        return std::nullopt;
    }
    const std::string& text = found->second;
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::string missing(std::string_view key) {
    return "no number in the line \"" + std::string(key) + "\"";
}

// More cancelled lines than the sender may send, or none of the lines the rule needs.
std::optional<std::string> cancelledFault(const std::map<std::string, std::string>& values,
                                          CancelledLines rule) {
    const auto cancelled = number(values, "cancelled lines");
    const auto connections = number(values, "connections");
    if (!cancelled || (rule == CancelledLines::OnePerReconnect && !connections)) {
        return missing(cancelled ? "connections" : "cancelled lines");
    }
    const long long allowed =
        rule == CancelledLines::AreFaults ? 0 : std::max(0LL, *connections - 1);
    if (*cancelled <= allowed) {
        return std::nullopt;
    }
    const std::string text = "cancelled lines: " + std::to_string(*cancelled);
    return rule == CancelledLines::AreFaults
               ? text
               : text + ", more than the " + std::to_string(allowed) + " reconnects";
}

}  // namespace

std::map<std::string, std::string> ParseSummary(std::string_view text) {
    std::map<std::string, std::string> values;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        if (const std::size_t colon = line.find(": "); colon != std::string_view::npos) {
            values[std::string(line.substr(0, colon))] = std::string(line.substr(colon + 2));
        }
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return values;
}

std::vector<std::string> SenderFaults(std::string_view summary, CancelledLines cancelled) {
    const auto values = ParseSummary(summary);
    std::vector<std::string> faults;
    for (const std::string_view key : kSenderFaultLines) {
        const auto value = number(values, key);
        if (!value || *value != 0) {
            faults.push_back(value ? std::string(key) + ": " + std::to_string(*value)
                                   : missing(key));
        }
    }
    if (auto fault = cancelledFault(values, cancelled)) {
        faults.push_back(std::move(*fault));
    }
    long long parts = 0;
    for (const std::string_view key : kByteParts) {
        const auto value = number(values, key);
        if (!value) {
            faults.push_back(missing(key));
        }
        parts += value.value_or(0);
    }
    const auto received = number(values, "bytes received");
    if (!received || *received != parts) {
        faults.push_back(received ? "bytes received " + std::to_string(*received) + ", " +
                                        std::to_string(parts) + " in its parts"
                                  : missing("bytes received"));
    }
    return faults;
}

}  // namespace encoder_sim
