#pragma once

#include <QTimer>

#include <cstdint>
#include <memory>
#include <string>

#include "encoder_channel.h"

namespace encoder_tool {

// Listens on a TCP address and serves one client at a time; the next one is accepted when the
// previous one has gone. An orderly close sends FIN and waits (briefly) for the client's end
// of file, so that unread bytes do not turn it into a reset; a reset closes with SO_LINGER 0.
class TcpEndpoint : public Endpoint {
public:
    // Throws std::runtime_error with errno's text when the address cannot be bound.
    TcpEndpoint(const std::string& address, std::uint16_t port);
    ~TcpEndpoint() override;

    // "127.0.0.1:40123", or "[::1]:40123".
    [[nodiscard]] const std::string& Description() const { return m_description; }
    void EndPeer(bool reset) override;

private:
    void acceptOne();
    void peerHungUp();
    void finishClosing();
    void updateAccepting();

    links::UniqueFd m_listen;
    std::unique_ptr<QSocketNotifier> m_acceptNotifier;
    ChannelPtr m_peer;
    ChannelPtr m_closing;
    QTimer m_closeDeadline;
    std::string m_description;
};

}  // namespace encoder_tool
