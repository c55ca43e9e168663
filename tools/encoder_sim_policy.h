#pragma once

#include <chrono>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace encoder_sim {

// How the simulated encoder answers one valid command.
enum class ReplyMode {
    None,     // no answer
    Ack,      // the acknowledgement at once
    Delayed,  // the acknowledgement after the reply delay
    Split,    // CR LF "+" in one write, CR LF CR LF in a second one after the split gap
    Double,   // two acknowledgements in one write
    Echo,     // the command and its CR, then the acknowledgement, in one write
    Foreign,  // the acknowledgement's shape with "!" in place of "+"
};

// What the simulated encoder does to the connection when a phase ends.
enum class Fault {
    None,
    Close,        // orderly close (TCP: FIN); a pseudo-terminal hangs up
    Reset,        // TCP: reset (RST) instead of FIN; a pseudo-terminal hangs up as with Close
    StopReading,  // stop reading, so that the sender's buffers fill
};

inline constexpr std::int64_t kForever = std::numeric_limits<std::int64_t>::max();

// A stretch of the simulator's behaviour: `commands` valid commands answered by `reply`, then
// `fault`. A phase of 0 commands fires its fault as soon as a connection begins.
struct Phase {
    ReplyMode reply = ReplyMode::Ack;
    std::int64_t commands = kForever;
    Fault fault = Fault::None;
};

struct ReplyTiming {
    std::chrono::milliseconds delay{100};    // before the answer in Delayed mode
    std::chrono::milliseconds splitGap{10};  // between the two writes in Split mode
    std::chrono::milliseconds stopFor{0};    // StopReading lasts this long; 0: until the peer goes
};

// One write of an answer, `after` the previous one (the first: after the command).
struct ReplyChunk {
    std::chrono::milliseconds after{0};
    std::string bytes;
};

[[nodiscard]] std::vector<ReplyChunk> ReplyFor(ReplyMode mode, std::string_view commandLine,
                                               const ReplyTiming& timing);

// Walks through the phases in order and starts again after the last one. The position is kept
// across connections, so a rotation of faults goes on when the sender reconnects.
class ReplyPolicy {
public:
    struct Decision {
        ReplyMode reply = ReplyMode::Ack;
        Fault fault = Fault::None;
    };

    // Phases must not be empty; a default policy acknowledges every command.
    explicit ReplyPolicy(std::vector<Phase> phases = {Phase{}});

    // At the start of a connection: the fault of a current phase of 0 commands.
    Fault OnConnect();
    // For each valid command: its answer, and the fault when the command ends the phase.
    Decision OnCommand();

    [[nodiscard]] std::size_t PhaseIndex() const { return m_index; }

private:
    void advance();

    std::vector<Phase> m_phases;
    std::size_t m_index = 0;
    std::int64_t m_done = 0;
};

[[nodiscard]] std::optional<ReplyMode> ReplyModeFromName(std::string_view name);
[[nodiscard]] std::optional<Fault> FaultFromName(std::string_view name);
[[nodiscard]] std::string_view ReplyModeName(ReplyMode mode);

// A rotation written as comma-separated items "MODE:N" or "MODE:N+FAULT", e.g.
// "ack:50,split:20,none:5+close,delayed:10+reset,ack:0+stop". Modes are the ReplyMode names in
// lower case, faults "close", "reset" and "stop". N may be 0 only with a fault.
struct CycleParse {
    std::vector<Phase> phases;
    std::string error;  // empty when the text is valid
};
[[nodiscard]] CycleParse ParseCycle(std::string_view text);

}  // namespace encoder_sim
