#include "encoder_sim_summary.h"

#include <array>
#include <charconv>
#include <optional>

namespace encoder_sim {
namespace {

constexpr std::array<std::string_view, 3> kSenderFaultLines = {"malformed lines", "empty lines",
                                                               "cut commands"};
constexpr std::array<std::string_view, 5> kByteParts = {
    "bytes in commands", "bytes in malformed lines", "bytes in empty lines",
    "bytes in cut commands", "bytes after fault"};

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

std::vector<std::string> SenderFaults(std::string_view summary) {
    const auto values = ParseSummary(summary);
    std::vector<std::string> faults;
    for (const std::string_view key : kSenderFaultLines) {
        const auto value = number(values, key);
        if (!value || *value != 0) {
            faults.push_back(value ? std::string(key) + ": " + std::to_string(*value)
                                   : missing(key));
        }
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
