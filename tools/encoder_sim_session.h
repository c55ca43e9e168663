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
// no input or output itself, and takes the time from its caller.
class Session {
public:
    Session(ReplyPolicy policy, ReplyTiming timing, Recorder& recorder);

    std::vector<Action> Connect(MonoTime now);
    std::vector<Action> Receive(std::string_view bytes, MonoTime now);
    // Reading again after StopReading: handles the bytes that arrived after the stopping command.
    std::vector<Action> Resume(MonoTime now);
    void Disconnect();

private:
    enum class State { Idle, Reading, Stopped, Ending };

    void handleLine(const LineAssembler::Line& line, MonoTime now, std::vector<Action>& actions);
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
