#pragma once

#include <QTimer>

#include <cstdint>
#include <map>
#include <string_view>
#include <vector>

#include "encoder_channel.h"
#include "encoder_sim_session.h"

namespace encoder_tool {

[[nodiscard]] encoder_sim::MonoTime MonotonicNow();

// Runs the session over an endpoint: hands it the peer's bytes and carries out its timed
// actions (answers, faults) on the peer's channel. Quits the application once `quitAfterGroups`
// groups have arrived (0: never).
class Driver {
public:
    Driver(encoder_sim::Session& session, encoder_sim::Recorder& recorder, Endpoint& endpoint,
           std::int64_t quitAfterGroups);

private:
    void peerArrived(Channel& channel);
    void peerGone();
    void received(std::string_view bytes);
    void schedule(std::vector<encoder_sim::Action> actions);
    void runDue();
    void execute(const encoder_sim::Action& action);
    void endPeer(bool reset);

    encoder_sim::Session& m_session;
    encoder_sim::Recorder& m_recorder;
    Endpoint& m_endpoint;
    std::int64_t m_quitAfterGroups;
    Channel* m_peer = nullptr;
    std::multimap<encoder_sim::MonoTime, encoder_sim::Action> m_pending;
    QTimer m_timer;
};

}  // namespace encoder_tool
