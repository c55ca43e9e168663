#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// An encoder on 127.0.0.1 for the black-box tests, over each platform's TCP test server: it
// accepts one connection, records every byte with its arrival time on a thread of its own, and
// can answer each command (a line ended by CR) with bytes of the test's choice. Waiting for
// bytes runs the event loop of the calling thread, so that the plug-in keeps sending.
namespace blackbox {

class LoopbackEncoder {
public:
    enum class Mode { Listening, Refusing };
    struct Arrival {
        int64_t atUs;
        std::string bytes;
    };

    explicit LoopbackEncoder(Mode mode = Mode::Listening);
    ~LoopbackEncoder();
    LoopbackEncoder(const LoopbackEncoder&) = delete;
    LoopbackEncoder& operator=(const LoopbackEncoder&) = delete;

    [[nodiscard]] uint16_t Port() const;
    // Waits, running the event loop, for the plug-in's connection and starts recording it.
    bool Accept(std::chrono::milliseconds limit = std::chrono::seconds(5));
    // Sent after every command from now on; empty sends nothing.
    void AnswerEachCommandWith(std::string reply);
    void Send(const std::string& bytes);
    // Closes orderly (FIN after reading what came), or with a reset.
    void Close();
    void Reset();

    [[nodiscard]] std::string Received() const;
    [[nodiscard]] std::vector<Arrival> Arrivals() const;
    [[nodiscard]] bool ConnectionEnded() const;
    // Runs the event loop until `count` bytes have come in all, or the time is up; returns
    // what came.
    std::string WaitForBytes(std::size_t count,
                             std::chrono::milliseconds limit = std::chrono::seconds(5)) const;
    bool WaitForEnd(std::chrono::milliseconds limit = std::chrono::seconds(5)) const;

private:
    struct Sockets;
    void Record();
    void StopRecording();

    std::unique_ptr<Sockets> m_sockets;
    mutable std::mutex m_mutex;
    std::vector<Arrival> m_arrivals;
    std::string m_reply;
    bool m_ended = false;
    bool m_stop = false;
    std::thread m_recorder;
};

// The seconds from the first to the last "G=" command that arrived, and how many came: what a
// test turns into groups per second.
struct CommandPace {
    int groups = 0;
    double seconds = 0;
    [[nodiscard]] double GroupsPerSecond() const {
        return groups > 1 && seconds > 0 ? (groups - 1) / seconds : 0;
    }
};
CommandPace PaceOfGroupCommands(const std::vector<LoopbackEncoder::Arrival>& arrivals);

}  // namespace blackbox
