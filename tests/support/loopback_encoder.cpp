#include "support/loopback_encoder.h"

#include <algorithm>

#include "support/plugin_driver.h"

#if defined(_WIN32)
#include "support/win32_tcp_test_server.h"
#else
#include "support/tcp_test_server.h"
#endif

namespace blackbox {

namespace {

using namespace std::chrono_literals;

// A wait for bytes that ends much sooner than its limit without bytes met the end of the
// stream (or an error), not silence.
constexpr auto kReadSlice = 20ms;
constexpr auto kEndedWithin = 5ms;

TcpTestServer::Mode ServerMode(LoopbackEncoder::Mode mode) {
    return mode == LoopbackEncoder::Mode::Refusing ? TcpTestServer::Mode::Refusing
                                                   : TcpTestServer::Mode::Listening;
}

}  // namespace

struct LoopbackEncoder::Sockets {
    explicit Sockets(Mode mode) : server((KeepSocketLayerUp(), ServerMode(mode))) {}
    TcpTestServer server;
    TcpTestPeer peer;
};

LoopbackEncoder::LoopbackEncoder(Mode mode) : m_sockets(std::make_unique<Sockets>(mode)) {}

LoopbackEncoder::~LoopbackEncoder() {
    StopRecording();
}

uint16_t LoopbackEncoder::Port() const {
    return m_sockets->server.port();
}

bool LoopbackEncoder::Accept(std::chrono::milliseconds limit) {
    if (!PumpUntil([this] { return m_sockets->server.hasPendingConnection(); }, limit)) {
        return false;
    }
    m_sockets->peer = m_sockets->server.accept(1s);
    if (!m_sockets->peer.valid()) {
        return false;
    }
    m_recorder = std::thread([this] { Record(); });
    return true;
}

void LoopbackEncoder::Record() {
    for (;;) {
        {
            const std::lock_guard lock(m_mutex);
            if (m_stop || m_ended) {
                return;
            }
        }
        const auto start = std::chrono::steady_clock::now();
        std::string bytes = m_sockets->peer.receive(1, kReadSlice);
        const int64_t now = NowUs();
        const std::lock_guard lock(m_mutex);
        if (bytes.empty()) {
            m_ended = std::chrono::steady_clock::now() - start < kEndedWithin;
            continue;
        }
        const auto commands = std::count(bytes.begin(), bytes.end(), '\r');
        m_arrivals.push_back({now, std::move(bytes)});
        for (auto i = 0; i < commands && !m_reply.empty(); ++i) {
            m_sockets->peer.send(m_reply);
        }
    }
}

void LoopbackEncoder::StopRecording() {
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    if (m_recorder.joinable()) {
        m_recorder.join();
    }
}

void LoopbackEncoder::AnswerEachCommandWith(std::string reply) {
    const std::lock_guard lock(m_mutex);
    m_reply = std::move(reply);
}

void LoopbackEncoder::Send(const std::string& bytes) {
    m_sockets->peer.send(bytes);
}

void LoopbackEncoder::Close() {
    StopRecording();
    m_sockets->peer.closeOrderly();
}

void LoopbackEncoder::Reset() {
    StopRecording();
    m_sockets->peer.reset();
}

std::string LoopbackEncoder::Received() const {
    const std::lock_guard lock(m_mutex);
    std::string all;
    for (const Arrival& arrival : m_arrivals) {
        all += arrival.bytes;
    }
    return all;
}

std::vector<LoopbackEncoder::Arrival> LoopbackEncoder::Arrivals() const {
    const std::lock_guard lock(m_mutex);
    return m_arrivals;
}

bool LoopbackEncoder::ConnectionEnded() const {
    const std::lock_guard lock(m_mutex);
    return m_ended;
}

std::string LoopbackEncoder::WaitForBytes(std::size_t count,
                                          std::chrono::milliseconds limit) const {
    PumpUntil([&] { return Received().size() >= count; }, limit);
    return Received();
}

bool LoopbackEncoder::WaitForEnd(std::chrono::milliseconds limit) const {
    return PumpUntil([this] { return ConnectionEnded(); }, limit);
}

// A "G=" command is timed by the arrival that holds its last byte.
CommandPace PaceOfGroupCommands(const std::vector<LoopbackEncoder::Arrival>& arrivals) {
    std::string line;
    std::vector<int64_t> times;
    for (const LoopbackEncoder::Arrival& arrival : arrivals) {
        for (const char byte : arrival.bytes) {
            if (byte != '\r') {
                line += byte;
                continue;
            }
            if (line.rfind("G=", 0) == 0) {
                times.push_back(arrival.atUs);
            }
            line.clear();
        }
    }
    CommandPace pace;
    pace.groups = static_cast<int>(times.size());
    pace.seconds = times.size() > 1 ? static_cast<double>(times.back() - times.front()) / 1e6 : 0;
    return pace;
}

}  // namespace blackbox
