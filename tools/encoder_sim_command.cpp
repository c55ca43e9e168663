#include "encoder_sim_command.h"

#include <optional>

namespace encoder_sim {
namespace {

constexpr std::string_view kPiPrefix = "PI=";
constexpr std::string_view kGroupPrefix = "G=";

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::optional<std::uint16_t> parseWord(std::string_view digits) {
    unsigned value = 0;
    for (const char c : digits) {
        const int digit = hexDigit(c);
        if (digit < 0) {
            return std::nullopt;
        }
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return static_cast<std::uint16_t>(value);
}

Command parseGroup(std::string_view digits) {
    Command command;
    if (digits.size() != 12) {
        return command;
    }
    for (std::size_t i = 0; i < 3; ++i) {
        const auto word = parseWord(digits.substr(i * 4, 4));
        if (!word) {
            return Command{};
        }
        command.blocks[i] = *word;
    }
    command.kind = CommandKind::Group;
    return command;
}

}  // namespace

Command ParseCommand(std::string_view line) {
    if (line.starts_with(kGroupPrefix)) {
        return parseGroup(line.substr(kGroupPrefix.size()));
    }
    if (!line.starts_with(kPiPrefix) || line.size() != kPiPrefix.size() + 4) {
        return Command{};
    }
    const auto pi = parseWord(line.substr(kPiPrefix.size()));
    if (!pi) {
        return Command{};
    }
    Command command;
    command.kind = CommandKind::Pi;
    command.pi = *pi;
    return command;
}

}  // namespace encoder_sim
