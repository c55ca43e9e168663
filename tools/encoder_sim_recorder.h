#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "encoder_sim_command.h"

namespace encoder_sim {

using MonoTime = std::chrono::steady_clock::duration;

// Times between commands, kept whole so that the median and p99 are exact.
class IntervalStats {
public:
    struct Figures {
        std::size_t count = 0;
        double minMs = 0;
        double medianMs = 0;
        double p99Ms = 0;
        double maxMs = 0;
    };

    void Add(double ms) { m_samples.push_back(ms); }
    // Nearest-rank percentiles; nothing before the first interval.
    [[nodiscard]] std::optional<Figures> Compute() const;

private:
    std::vector<double> m_samples;
};

// Where the received bytes went: each one is in exactly one of the parts.
struct ByteCounts {
    std::int64_t received = 0;
    std::int64_t commands = 0;    // valid commands, with their CR
    std::int64_t malformed = 0;   // malformed lines, with their line end
    std::int64_t empty = 0;       // the CRs of empty lines
    std::int64_t cut = 0;         // unfinished lines at the end of a connection
    std::int64_t afterFault = 0;  // after the simulator decided to end the connection
    std::int64_t cancelled = 0;   // cancelled lines, with their CAN and CR
    [[nodiscard]] std::int64_t Parts() const {
        return commands + malformed + empty + cut + afterFault + cancelled;
    }
};

struct Counts {
    std::int64_t commands = 0;
    std::int64_t groups = 0;
    std::int64_t piCommands = 0;
    std::int64_t malformed = 0;
    std::int64_t connections = 0;
    std::int64_t cut = 0;
    std::int64_t empty = 0;
    std::int64_t commandsAfterFault = 0;  // valid, but neither answered nor recorded
    std::int64_t cancelled = 0;
    ByteCounts bytes;
};

// "PPPP B2B2 B3B3 B4B4": the PI of the last PI command, or "----" before the first one.
[[nodiscard]] std::string GroupTextLine(std::optional<std::uint16_t> pi,
                                        const std::array<std::uint16_t, 3>& blocks);

// Counts what arrives, writes each group as a group-text line (flushed, so a reader can follow
// live) and measures the time between commands within a connection.
class Recorder {
public:
    explicit Recorder(std::ostream& groups) : m_groups(groups) {}

    void BeginConnection();
    void RecordReceived(std::size_t bytes) { m_counts.bytes.received += count(bytes); }
    // A line ended by a CR alone, of `bytes` bytes with its CR: a command or a malformed line.
    void Record(const Command& command, MonoTime now, std::size_t bytes);
    void RecordMalformed(std::size_t bytes);
    // The rest of a malformed line that was counted when it overflowed.
    void RecordMalformedRest(std::size_t bytes) { m_counts.bytes.malformed += count(bytes); }
    void RecordEmpty(std::size_t bytes);
    void RecordCut(std::size_t bytes);
    // A line the sender cancelled with CAN before its CR, of `bytes` bytes with both.
    void RecordCancelled(std::size_t bytes);
    // A line that arrived after the simulator decided to end the connection.
    void RecordAfterFault(bool validCommand, std::size_t bytes);
    // An answer went out: the next command's arrival is measured from here.
    void RecordReplyWritten(MonoTime now) { m_lastReply = now; }

    [[nodiscard]] const Counts& counts() const { return m_counts; }
    // Key-value lines for the end of a run.
    [[nodiscard]] std::string Summary() const;

private:
    static std::int64_t count(std::size_t bytes) { return static_cast<std::int64_t>(bytes); }

    std::ostream& m_groups;
    Counts m_counts;
    std::optional<std::uint16_t> m_pi;
    std::optional<MonoTime> m_lastCommand;
    std::optional<MonoTime> m_firstGroup;
    MonoTime m_lastGroup{};
    IntervalStats m_intervals;
    std::optional<MonoTime> m_lastReply;
    IntervalStats m_replyToCommand;
};

}  // namespace encoder_sim
