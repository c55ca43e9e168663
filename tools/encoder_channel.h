#pragma once

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "LinkCommon.h"

class QSocketNotifier;

namespace encoder_tool {

// Deletes a QObject from the event loop, so that a channel can be dropped from inside one of
// its own notifications.
struct DeleteLater {
    void operator()(QObject* object) const { object->deleteLater(); }
};

// A non-blocking byte pipe to the peer (a connected TCP socket or a pseudo-terminal master),
// watched by notifiers. Output that does not fit at once waits here; the write notifier is on
// only while it does. While reading is stopped, a slow poll still notices the peer going.
class Channel : public QObject {
public:
    Channel(links::UniqueFd fd, bool socket);
    ~Channel() override;

    std::function<void(std::string_view)> OnBytes;
    // End of file or a read or write error: the notifiers are off, the descriptor stays open.
    std::function<void()> OnHangUp;

    void Write(std::string_view bytes);
    void SetReading(bool on);
    // Notifiers off and pending output dropped; the descriptor stays open.
    void Stop();
    // Back in service after Stop or a hang-up (a pseudo-terminal whose slave was reopened).
    void Restart();
    // Reads whatever is waiting, and returns it.
    std::string Drain();

    [[nodiscard]] int fd() const { return m_fd.get(); }

private:
    void readable();
    void writable();
    void hangUp();
    void watchForHangUp();
    ssize_t writeSome(std::string_view bytes);

    links::UniqueFd m_fd;
    bool m_socket;
    std::unique_ptr<QSocketNotifier> m_readNotifier;
    std::unique_ptr<QSocketNotifier> m_writeNotifier;
    QTimer m_hangUpWatch;
    std::string m_out;
    bool m_up = true;
    bool m_reading = true;
};

using ChannelPtr = std::unique_ptr<Channel, DeleteLater>;

}  // namespace encoder_tool

namespace encoder_tool {

// Where peers come from: a TCP listener or a pseudo-terminal. One peer at a time.
class Endpoint {
public:
    virtual ~Endpoint() = default;

    // A peer arrived; the channel belongs to the endpoint and lives until the peer goes.
    std::function<void(Channel&)> OnPeer;
    // The peer went away by itself, or a peer that EndPeer ended is finished with: its channel
    // reads no more.
    std::function<void()> OnPeerGone;

    // The simulated encoder drops the current peer: an orderly close, or a reset. What the
    // channel still reads from it goes to OnBytes until OnPeerGone.
    virtual void EndPeer(bool reset) = 0;
};

}  // namespace encoder_tool
