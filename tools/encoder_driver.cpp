#include "encoder_driver.h"

#include <QCoreApplication>

#include <chrono>
#include <exception>
#include <iostream>

namespace encoder_tool {
namespace {

using encoder_sim::Action;

// Nothing thrown may leave a notification into the event loop: report it and carry on.
template <typename Body>
void guarded(const char* where, Body&& body) {
    try {
        body();
    } catch (const std::exception& error) {
        std::cerr << "tolvane-encoder: " << where << ": " << error.what() << std::endl;
    }
}

}  // namespace

encoder_sim::MonoTime MonotonicNow() {
    return std::chrono::steady_clock::now().time_since_epoch();
}

Driver::Driver(encoder_sim::Session& session, encoder_sim::Recorder& recorder, Endpoint& endpoint,
               std::int64_t quitAfterGroups)
    : m_session(session),
      m_recorder(recorder),
      m_endpoint(endpoint),
      m_quitAfterGroups(quitAfterGroups) {
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, &m_timer,
                     [this] { guarded("timer", [this] { runDue(); }); });
    m_endpoint.OnPeer = [this](Channel& channel) {
        guarded("connect", [&] { peerArrived(channel); });
    };
    m_endpoint.OnPeerGone = [this] { peerGone(); };
}

void Driver::peerArrived(Channel& channel) {
    m_peer = &channel;
    m_peer->SetReading(true);
    m_peer->OnBytes = [this](std::string_view bytes) {
        guarded("receive", [&] { received(bytes); });
    };
    schedule(m_session.Connect(MonotonicNow()));
    runDue();
}

void Driver::peerGone() {
    m_session.Disconnect();
    m_pending.clear();
    m_timer.stop();
    if (m_peer != nullptr) {
        m_peer->OnBytes = nullptr;
    }
    m_peer = nullptr;
}

void Driver::received(std::string_view bytes) {
    schedule(m_session.Receive(bytes, MonotonicNow()));
    runDue();
    if (m_quitAfterGroups > 0 && m_recorder.counts().groups >= m_quitAfterGroups) {
        QCoreApplication::quit();
    }
}

void Driver::schedule(std::vector<Action> actions) {
    for (Action& action : actions) {
        m_pending.emplace(action.due, std::move(action));
    }
}

void Driver::runDue() {
    while (!m_pending.empty() && m_pending.begin()->first <= MonotonicNow()) {
        const Action action = std::move(m_pending.begin()->second);
        m_pending.erase(m_pending.begin());
        execute(action);
    }
    if (m_pending.empty()) {
        m_timer.stop();
        return;
    }
    const auto wait = m_pending.begin()->first - MonotonicNow();
    m_timer.start(static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(wait).count()));
}

void Driver::execute(const Action& action) {
    if (m_peer == nullptr) {
        return;
    }
    switch (action.kind) {
        case Action::Kind::Write:
            m_peer->Write(action.bytes);
            m_recorder.RecordReplyWritten(MonotonicNow());
            return;
        case Action::Kind::Close:
        case Action::Kind::Reset:
            endPeer(action.kind == Action::Kind::Reset);
            return;
        case Action::Kind::StopReading:
            m_peer->SetReading(false);
            return;
        case Action::Kind::ResumeReading:
            m_peer->SetReading(true);
            schedule(m_session.Resume(MonotonicNow()));
            return;
    }
}

// The session keeps the channel until the endpoint reports the peer gone, so that what still
// arrives is counted as after the fault.
void Driver::endPeer(bool reset) {
    m_pending.clear();
    m_timer.stop();
    m_endpoint.EndPeer(reset);
}

}  // namespace encoder_tool
