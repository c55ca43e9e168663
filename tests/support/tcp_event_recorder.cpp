#include "support/tcp_event_recorder.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <filesystem>

#include "SimpleTCP.h"

TcpEventRecorder::TcpEventRecorder(TSimpleTCPClient& client) : m_client(client) {
    client.OnConnected = [this](QObject* sender) { note(sender, "Connected"); };
    client.OnDisconnected = [this](QObject* sender) { note(sender, "Disconnected"); };
    client.OnConnectionLost = [this](QObject* sender) { note(sender, "ConnectionLost"); };
    client.OnRead = [this](QObject* sender, TSimpleTCPStream& stream) {
        const int64_t position = stream.Position();
        const std::string bytes = stream.ReadAll();
        m_bytesRead.append(bytes.data(), static_cast<qsizetype>(bytes.size()));
        note(sender, "Read " + std::to_string(bytes.size()) + " at " + std::to_string(position));
    };
    client.OnError = [this](QObject* sender, int socket, int code, const std::string& text) {
        m_lastErrorSocket = socket;
        note(sender, "Error " + std::to_string(code) + " " + text);
    };
}

void TcpEventRecorder::note(const QObject* sender, std::string event) {
    const QObject* expected = &m_client;
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
    const auto deadline = std::chrono::steady_clock::now() + limit;
    // The ticking timer wakes the waiting loop, so the deadline holds without busy polling.
    QTimer wake;
    wake.start(2);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

void spinFor(std::chrono::milliseconds span) {
    spinUntil([] { return false; }, span);
}

int openFdCount() {
    const std::filesystem::directory_iterator entries("/proc/self/fd");
    return static_cast<int>(std::distance(begin(entries), end(entries)));
}
