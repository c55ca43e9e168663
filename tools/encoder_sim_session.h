#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "encoder_sim_line.h"
#include "encoder_sim_policy.h"
#include "encoder_sim_recorder.h"

namespace encoder_sim {

// Something the transport is to do to the connection at a given time.
struct Action {
    enum class Kind { Write, Close, Reset, StopReading, ResumeReading };
    Kind kind = Kind::Write;
    MonoTime due{};
    std::string bytes;  // for Write

    friend bool operator==(const Action&, const Action&) = default;
};

// The simulated encoder on one connection after another: turns received bytes into recorded
// commands and into timed actions (answers and faults) for the transport to carry out. It does
// no input or output itself, and takes the time from its caller. Every byte it is given is
// counted somewhere: bytes that arrive after it decided to close or reset the connection are
// still cut into lines, but counted apart, neither answered nor recorded as groups.
class Session {
public:
    Session(ReplyPolicy policy, ReplyTiming timing, Recorder& recorder);

    std::vector<Action> Connect(MonoTime now);
    std::vector<Action> Receive(std::string_view bytes, MonoTime now);
    // Reading again after StopReading: handles the bytes that arrived after the stopping command.
    std::vector<Action> Resume(MonoTime now);
    // The connection is gone (or the simulator ends): an unfinished line is a cut command, and
    // bytes held back by a stop that never ended count as after the fault.
    void Disconnect();

private:
    enum class State { Idle, Reading, Stopped, Ending };

    std::vector<Action> take(std::string_view bytes, MonoTime now);
    void handleLine(const LineAssembler::Line& line, MonoTime now, std::vector<Action>& actions);
    void handleText(const std::string& text, std::size_t bytes, MonoTime now,
                    std::vector<Action>& actions);
    void addFault(Fault fault, MonoTime now, std::vector<Action>& actions);

    ReplyPolicy m_policy;
    ReplyTiming m_timing;
    Recorder& m_recorder;
    LineAssembler m_lines;
    State m_state = State::Idle;
    MonoTime m_lastDue{};
    std::string m_heldBack;
};

}  // namespace encoder_sim
