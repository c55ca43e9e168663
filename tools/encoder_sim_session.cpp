#include "encoder_sim_session.h"

#include <algorithm>
#include <utility>

namespace encoder_sim {

Session::Session(ReplyPolicy policy, ReplyTiming timing, Recorder& recorder)
    : m_policy(std::move(policy)), m_timing(timing), m_recorder(recorder) {}

std::vector<Action> Session::Connect(MonoTime now) {
    Disconnect();
    m_lastDue = now;
    m_state = State::Reading;
    m_recorder.BeginConnection();
    std::vector<Action> actions;
    addFault(m_policy.OnConnect(), now, actions);
    return actions;
}

std::vector<Action> Session::Receive(std::string_view bytes, MonoTime now) {
    m_recorder.RecordReceived(bytes.size());
    return take(bytes, now);
}

std::vector<Action> Session::take(std::string_view bytes, MonoTime now) {
    std::vector<Action> actions;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (m_state == State::Stopped) {
            m_heldBack.append(bytes.substr(i));
            break;
        }
        if (const auto line = m_lines.Push(bytes[i])) {
            handleLine(*line, now, actions);
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
    return take(held, now);
}

void Session::Disconnect() {
    if (m_state == State::Idle) {
        return;
    }
    if (m_state == State::Stopped) {
        m_state = State::Ending;
        take(std::exchange(m_heldBack, std::string()), m_lastDue);
    }
    std::vector<Action> none;
    if (const auto line = m_lines.Finish()) {
        handleLine(*line, m_lastDue, none);
    }
    m_state = State::Idle;
}

void Session::handleLine(const LineAssembler::Line& line, MonoTime now,
                         std::vector<Action>& actions) {
    using Kind = LineAssembler::Kind;
    if (m_state == State::Ending) {
        const bool valid =
            line.kind == Kind::Text && ParseCommand(line.text).kind != CommandKind::Malformed;
        m_recorder.RecordAfterFault(valid, line.bytes);
        return;
    }
    switch (line.kind) {
        case Kind::Text:
            handleText(line.text, line.bytes, now, actions);
            return;
        case Kind::Empty:
            m_recorder.RecordEmpty(line.bytes);
            return;
        case Kind::LineFeed:
        case Kind::Overlong:
            m_recorder.RecordMalformed(line.bytes);
            return;
        case Kind::OverlongRest:
            m_recorder.RecordMalformedRest(line.bytes);
            return;
        case Kind::Cut:
            m_recorder.RecordCut(line.bytes);
            return;
        case Kind::Cancelled:
            m_recorder.RecordCancelled(line.bytes);
            return;
    }
}

void Session::handleText(const std::string& text, std::size_t bytes, MonoTime now,
                         std::vector<Action>& actions) {
    const Command command = ParseCommand(text);
    m_recorder.Record(command, now, bytes);
    if (command.kind == CommandKind::Malformed) {
        return;
    }
    const ReplyPolicy::Decision decision = m_policy.OnCommand();
    bool first = true;
    for (ReplyChunk& chunk : ReplyFor(decision.reply, text, m_timing)) {
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
