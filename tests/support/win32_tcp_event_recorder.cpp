#include <winsock2.h>

#include "support/win32_tcp_event_recorder.h"

#include <windows.h>

#include <algorithm>

#include "SimpleTCP.h"
#include "support/win32_message_pump.h"

TcpEventRecorder::TcpEventRecorder(TSimpleTCPClient& client) : m_client(client) {
    client.OnConnected = [this](TComponent* sender) { note(sender, "Connected"); };
    client.OnDisconnected = [this](TComponent* sender) { note(sender, "Disconnected"); };
    client.OnConnectionLost = [this](TComponent* sender) { note(sender, "ConnectionLost"); };
    client.OnRead = [this](TComponent* sender, TSimpleTCPStream& stream) {
        const int64_t position = stream.Position();
        const std::string bytes = stream.ReadAll();
        m_bytesRead += bytes;
        note(sender, "Read " + std::to_string(bytes.size()) + " at " + std::to_string(position));
    };
    client.OnError = [this](TComponent* sender, int socket, int code, const std::string& text) {
        m_lastErrorSocket = socket;
        note(sender, "Error " + std::to_string(code) + " " + text);
    };
}

void TcpEventRecorder::note(const TComponent* sender, std::string event) {
    const TComponent* expected = &m_client;
    m_events.push_back(sender == expected ? std::move(event) : "WrongSender " + event);
}

bool TcpEventRecorder::saw(const std::string& event) const {
    return count(event) > 0;
}

int TcpEventRecorder::count(const std::string& event) const {
    return static_cast<int>(std::count(m_events.begin(), m_events.end(), event));
}

std::string TcpEventRecorder::joined() const {
    std::string text;
    for (const std::string& event : m_events) {
        text += (text.empty() ? "" : ", ") + event;
    }
    return text;
}

void TcpEventRecorder::clear() {
    m_events.clear();
    m_bytesRead.clear();
}

bool spinUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    return test_support::PumpMessagesUntil(done, limit);
}

void spinFor(std::chrono::milliseconds span) {
    test_support::PumpMessagesFor(span);
}
