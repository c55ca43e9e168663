#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

class TComponent;
class TSimpleTCPClient;

// Binds every event of a client and writes each one down as it fires, e.g. "Connected",
// "Error 10061 Connection refused" or "Read 12 at 0"; a wrong Sender is written down too.
class TcpEventRecorder {
public:
    explicit TcpEventRecorder(TSimpleTCPClient& client);

    [[nodiscard]] const std::vector<std::string>& events() const noexcept { return m_events; }
    [[nodiscard]] const std::string& bytesRead() const noexcept { return m_bytesRead; }
    [[nodiscard]] int lastErrorSocket() const noexcept { return m_lastErrorSocket; }
    [[nodiscard]] bool saw(const std::string& event) const;
    [[nodiscard]] int count(const std::string& event) const;
    [[nodiscard]] std::string joined() const;
    void clear();

private:
    void note(const TComponent* sender, std::string event);

    TSimpleTCPClient& m_client;
    std::vector<std::string> m_events;
    std::string m_bytesRead;
    int m_lastErrorSocket = 0;
};

// Runs the thread's message loop until `done` or the time limit.
bool spinUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(5));
void spinFor(std::chrono::milliseconds span);
