#include "encoder_sim_recorder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace encoder_sim {
namespace {

double nearestRank(std::vector<double>& sorted, double fraction) {
    const auto n = static_cast<double>(sorted.size());
    const auto rank = static_cast<std::size_t>(std::max(1.0, std::ceil(fraction * n)));
    return sorted[rank - 1];
}

double toMs(MonoTime duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

void appendWord(std::string& line, std::uint16_t word) {
    char text[8];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(word));
    line += text;
}

std::string fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string FiguresText(const IntervalStats& stats) {
    const auto figures = stats.Compute();
    if (!figures) {
        return "none";
    }
    return "min " + fixed(figures->minMs, 1) + " median " + fixed(figures->medianMs, 1) + " p99 " +
           fixed(figures->p99Ms, 1) + " max " + fixed(figures->maxMs, 1);
}

}  // namespace

std::optional<IntervalStats::Figures> IntervalStats::Compute() const {
    if (m_samples.empty()) {
        return std::nullopt;
    }
    std::vector<double> sorted = m_samples;
    std::sort(sorted.begin(), sorted.end());
    return Figures{sorted.size(), sorted.front(), nearestRank(sorted, 0.5),
                   nearestRank(sorted, 0.99), sorted.back()};
}

std::string GroupTextLine(std::optional<std::uint16_t> pi,
                          const std::array<std::uint16_t, 3>& blocks) {
    std::string line;
    if (pi) {
        appendWord(line, *pi);
    } else {
        line += "----";
    }
    for (const std::uint16_t block : blocks) {
        line += ' ';
        appendWord(line, block);
    }
    return line;
}

void Recorder::BeginConnection() {
    ++m_counts.connections;
    m_lastCommand.reset();
}

void Recorder::RecordMalformed(std::size_t bytes) {
    ++m_counts.malformed;
    m_counts.bytes.malformed += count(bytes);
}

void Recorder::RecordEmpty(std::size_t bytes) {
    ++m_counts.empty;
    m_counts.bytes.empty += count(bytes);
}

void Recorder::RecordCut(std::size_t bytes) {
    ++m_counts.cut;
    m_counts.bytes.cut += count(bytes);
}

void Recorder::RecordCancelled(std::size_t bytes) {
    ++m_counts.cancelled;
    m_counts.bytes.cancelled += count(bytes);
}

void Recorder::RecordAfterFault(bool validCommand, std::size_t bytes) {
    m_counts.commandsAfterFault += validCommand ? 1 : 0;
    m_counts.bytes.afterFault += count(bytes);
}

void Recorder::Record(const Command& command, MonoTime now, std::size_t bytes) {
    if (command.kind == CommandKind::Malformed) {
        RecordMalformed(bytes);
        return;
    }
    ++m_counts.commands;
    m_counts.bytes.commands += count(bytes);
    if (m_lastCommand) {
        m_intervals.Add(toMs(now - *m_lastCommand));
    }
    m_lastCommand = now;
    if (m_lastReply) {
        m_replyToCommand.Add(toMs(now - *m_lastReply));
        m_lastReply.reset();
    }
    if (command.kind == CommandKind::Pi) {
        ++m_counts.piCommands;
        m_pi = command.pi;
        return;
    }
    ++m_counts.groups;
    if (!m_firstGroup) {
        m_firstGroup = now;
    }
    m_lastGroup = now;
    m_groups << GroupTextLine(m_pi, command.blocks) << '\n' << std::flush;
}

std::string Recorder::Summary() const {
    std::ostringstream out;
    out << "commands: " << m_counts.commands << '\n'
        << "groups: " << m_counts.groups << '\n'
        << "pi commands: " << m_counts.piCommands << '\n'
        << "malformed lines: " << m_counts.malformed << '\n'
        << "connections: " << m_counts.connections << '\n';
    const double span = m_firstGroup ? toMs(m_lastGroup - *m_firstGroup) / 1000.0 : 0.0;
    const double rate = span > 0 ? static_cast<double>(m_counts.groups - 1) / span : 0.0;
    out << "groups per second: " << fixed(rate, 2) << '\n';
    out << "command interval ms: " << FiguresText(m_intervals) << '\n';
    out << "reply to next command ms: " << FiguresText(m_replyToCommand) << '\n';
    const ByteCounts& bytes = m_counts.bytes;
    out << "cut commands: " << m_counts.cut << '\n'
        << "empty lines: " << m_counts.empty << '\n'
        << "commands after fault: " << m_counts.commandsAfterFault << '\n'
        << "bytes received: " << bytes.received << '\n'
        << "bytes in commands: " << bytes.commands << '\n'
        << "bytes in malformed lines: " << bytes.malformed << '\n'
        << "bytes in empty lines: " << bytes.empty << '\n'
        << "bytes in cut commands: " << bytes.cut << '\n'
        << "bytes after fault: " << bytes.afterFault << '\n'
        << "cancelled lines: " << m_counts.cancelled << '\n'
        << "bytes in cancelled lines: " << bytes.cancelled << '\n';
    return out.str();
}

}  // namespace encoder_sim
