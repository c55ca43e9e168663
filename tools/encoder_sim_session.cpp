#include "encoder_sim_session.h"

#include <algorithm>
#include <utility>

namespace encoder_sim {

Session::Session(ReplyPolicy policy, ReplyTiming timing, Recorder& recorder)
    : m_policy(std::move(policy)), m_timing(timing), m_recorder(recorder) {}

std::vector<Action> Session::Connect(MonoTime now) {
    m_lines.Reset();
    m_heldBack.clear();
    m_lastDue = now;
    m_state = State::Reading;
    m_recorder.BeginConnection();
    std::vector<Action> actions;
    addFault(m_policy.OnConnect(), now, actions);
    return actions;
}

std::vector<Action> Session::Receive(std::string_view bytes, MonoTime now) {
    std::vector<Action> actions;
    for (std::size_t i = 0; i < bytes.size() && m_state == State::Reading; ++i) {
        if (const auto line = m_lines.Push(bytes[i])) {
            handleLine(*line, now, actions);
        }
        if (m_state == State::Stopped) {
            m_heldBack.append(bytes.substr(i + 1));
        }
    }
    return actions;
}

std::vector<Action> Session::Resume(MonoTime now) {
    if (m_state != State::Stopped) {
        return {};
    }
    m_state = State::Reading;
    const std::string held = std::exchange(m_heldBack, std::string());
    return Receive(held, now);
}

void Session::Disconnect() {
    m_state = State::Idle;
    m_heldBack.clear();
}

void Session::handleLine(const LineAssembler::Line& line, MonoTime now,
                         std::vector<Action>& actions) {
    if (line.overlong) {
        m_recorder.RecordMalformed();
        return;
    }
    const Command command = ParseCommand(line.text);
    m_recorder.Record(command, now);
    if (command.kind == CommandKind::Malformed) {
        return;
    }
    const ReplyPolicy::Decision decision = m_policy.OnCommand();
    bool first = true;
    for (ReplyChunk& chunk : ReplyFor(decision.reply, line.text, m_timing)) {
        m_lastDue = first ? std::max(now + chunk.after, m_lastDue) : m_lastDue + chunk.after;
        first = false;
        actions.push_back({Action::Kind::Write, m_lastDue, std::move(chunk.bytes)});
    }
    addFault(decision.fault, now, actions);
}

void Session::addFault(Fault fault, MonoTime now, std::vector<Action>& actions) {
    switch (fault) {
        case Fault::None:
            return;
        case Fault::Close:
        case Fault::Reset:
            m_state = State::Ending;
            actions.push_back({fault == Fault::Close ? Action::Kind::Close : Action::Kind::Reset,
                               std::max(now, m_lastDue),
                               {}});
            return;
        case Fault::StopReading:
            m_state = State::Stopped;
            actions.push_back({Action::Kind::StopReading, now, {}});
            if (m_timing.stopFor.count() > 0) {
                actions.push_back({Action::Kind::ResumeReading, now + m_timing.stopFor, {}});
            }
            return;
    }
}

}  // namespace encoder_sim
