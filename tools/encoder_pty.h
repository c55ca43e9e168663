#pragma once

#include <QTimer>

#include <functional>
#include <optional>
#include <string>

#include "encoder_channel.h"

namespace encoder_tool {

// The port-map link "comN" -> the slave path, so that the plug-in's "COMn" opens the
// pseudo-terminal. Replaces an existing link of that name; removed again when destroyed.
class ComLink {
public:
    ComLink(int port, const std::string& target);
    ~ComLink();
    ComLink(const ComLink&) = delete;
    ComLink& operator=(const ComLink&) = delete;

    void Retarget(const std::string& target);
    [[nodiscard]] const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// A pseudo-terminal in raw mode; the peer is whoever has its slave side open. The master is
// kept when the slave closes (it then reports a hang-up), and a probe notices the next open.
// Ending the peer hangs the line up: the master is closed, so the peer's port sees a hang-up
// (and loses what it has not read yet), and a fresh pseudo-terminal takes its place, with the
// COM link moved to it. A reset does so at once; a close first gives the peer a moment to read
// the answers already written.
class PtyEndpoint : public Endpoint {
public:
    // Throws std::runtime_error with errno's text on failure.
    explicit PtyEndpoint(std::optional<int> comPort);
    ~PtyEndpoint() override;

    [[nodiscard]] const std::string& SlavePath() const { return m_slavePath; }
    [[nodiscard]] std::string ComLinkPath() const { return m_link ? m_link->Path() : ""; }
    // Called after a hang-up with the new slave path.
    std::function<void(const std::string&)> OnNewDevice;

    void EndPeer(bool reset) override;

private:
    void openDevice();
    void probe();
    void slaveHungUp();
    void replaceDevice();
    void passOnUnread();

    ChannelPtr m_master;
    std::string m_slavePath;
    std::optional<ComLink> m_link;
    QTimer m_probe;
    QTimer m_closeGrace;
};

}  // namespace encoder_tool
