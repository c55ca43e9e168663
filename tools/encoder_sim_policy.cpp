#include "encoder_sim_policy.h"

#include <array>
#include <charconv>
#include <utility>

#include "encoder_sim_command.h"

namespace encoder_sim {
namespace {

constexpr std::string_view kAck = kEncoderAck;
constexpr std::string_view kForeignAck = "\r\n!\r\n\r\n";

constexpr std::array<std::pair<std::string_view, ReplyMode>, 7> kModeNames{{
    {"none", ReplyMode::None},
    {"ack", ReplyMode::Ack},
    {"delayed", ReplyMode::Delayed},
    {"split", ReplyMode::Split},
    {"double", ReplyMode::Double},
    {"echo", ReplyMode::Echo},
    {"foreign", ReplyMode::Foreign},
}};

constexpr std::array<std::pair<std::string_view, Fault>, 3> kFaultNames{{
    {"close", Fault::Close},
    {"reset", Fault::Reset},
    {"stop", Fault::StopReading},
}};

std::optional<std::int64_t> parseCount(std::string_view text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0) {
        return std::nullopt;
    }
    return value;
}

std::optional<Phase> parsePhase(std::string_view item) {
    const std::size_t colon = item.find(':');
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view countText = item.substr(colon + 1);
    Phase phase;
    if (const std::size_t plus = countText.find('+'); plus != std::string_view::npos) {
        const auto fault = FaultFromName(countText.substr(plus + 1));
        if (!fault) {
            return std::nullopt;
        }
        phase.fault = *fault;
        countText = countText.substr(0, plus);
    }
    const auto mode = ReplyModeFromName(item.substr(0, colon));
    const auto count = parseCount(countText);
    if (!mode || !count || (*count == 0 && phase.fault == Fault::None)) {
        return std::nullopt;
    }
    phase.reply = *mode;
    phase.commands = *count;
    return phase;
}

}  // namespace

std::vector<ReplyChunk> ReplyFor(ReplyMode mode, std::string_view commandLine,
                                 const ReplyTiming& timing) {
    using std::chrono::milliseconds;
    switch (mode) {
        case ReplyMode::None:
            return {};
        case ReplyMode::Ack:
            return {{milliseconds(0), std::string(kAck)}};
        case ReplyMode::Delayed:
            return {{timing.delay, std::string(kAck)}};
        case ReplyMode::Split:
            return {{milliseconds(0), std::string(kAck.substr(0, 3))},
                    {timing.splitGap, std::string(kAck.substr(3))}};
        case ReplyMode::Double:
            return {{milliseconds(0), std::string(kAck) + std::string(kAck)}};
        case ReplyMode::Echo:
            return {{milliseconds(0), std::string(commandLine) + "\r" + std::string(kAck)}};
        case ReplyMode::Foreign:
            return {{milliseconds(0), std::string(kForeignAck)}};
    }
    return {};
}

ReplyPolicy::ReplyPolicy(std::vector<Phase> phases) : m_phases(std::move(phases)) {
    if (m_phases.empty()) {
        m_phases.push_back(Phase{});
    }
}

Fault ReplyPolicy::OnConnect() {
    if (m_phases[m_index].commands != 0) {
        return Fault::None;
    }
    const Fault fault = m_phases[m_index].fault;
    advance();
    return fault;
}

ReplyPolicy::Decision ReplyPolicy::OnCommand() {
    const Phase& phase = m_phases[m_index];
    Decision decision{phase.reply, Fault::None};
    if (phase.commands == kForever) {
        return decision;
    }
    ++m_done;
    if (m_done >= phase.commands) {
        decision.fault = phase.fault;
        advance();
    }
    return decision;
}

void ReplyPolicy::advance() {
    m_index = (m_index + 1) % m_phases.size();
    m_done = 0;
}

std::optional<ReplyMode> ReplyModeFromName(std::string_view name) {
    for (const auto& [text, mode] : kModeNames) {
        if (text == name) {
            return mode;
        }
    }
    return std::nullopt;
}

std::optional<Fault> FaultFromName(std::string_view name) {
    for (const auto& [text, fault] : kFaultNames) {
        if (text == name) {
            return fault;
        }
    }
    return std::nullopt;
}

std::string_view ReplyModeName(ReplyMode mode) {
    for (const auto& [text, value] : kModeNames) {
        if (value == mode) {
            return text;
        }
    }
    return "?";
}

CycleParse ParseCycle(std::string_view text) {
    CycleParse result;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        const std::string_view item = text.substr(start, comma - start);
        const auto phase = parsePhase(item);
        if (!phase) {
            result.phases.clear();
            result.error = "invalid cycle item \"" + std::string(item) +
                           "\" (expected MODE:N or MODE:N+FAULT)";
            return result;
        }
        result.phases.push_back(*phase);
        if (comma == std::string_view::npos) {
            return result;
        }
        start = comma + 1;
    }
}

}  // namespace encoder_sim
