#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

#include "SimpleTCPErrorTable.h"
#include "SimpleTCPResolver.h"
#include "SimpleTCPStream.h"

// Raised when the platform refuses to run one of the component's timers.
class EOutOfResources : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The text of a socket error code as this platform words it: the table's row, and for a code
// without one what the platform says (each platform's SimpleTCPErrors.cpp defines it).
[[nodiscard]] std::string SocketErrorText(int errorCode);

namespace simple_tcp {

// ErrorMsg is the error's text as the system gives it (bytes, no conversion on the way).
template <typename Sender>
using ErrorEventOf =
    std::function<void(Sender*, int Socket, int ErrorCode, const std::string& ErrorMsg)>;

// What a TCP socket component decides the same way on every platform, between the platform's
// timer component (TimerBase) and its socket class: the endpoint and the request to connect,
// when they may change, the host name's lookup and how an error is reported. The socket class
// does the socket itself and polls the lookup while it runs.
template <typename TimerBase, typename Sender>
class SocketCore : public TimerBase {
public:
    SocketCore() = default;
    // For a platform whose components have an owner.
    template <typename Owner>
    explicit SocketCore(Owner* AOwner) : TimerBase(AOwner) {}

    [[nodiscard]] virtual bool Connected() const { return m_activeRequested; }
    virtual void SetConnected(bool Value) {
        if (Value == m_activeRequested) {
            return;
        }
        m_activeRequested = Value;
        if (Value) {
            OpenConnection();
        } else {
            CloseConnection();
        }
    }

    // The host text's bytes, kept as given: a dotted IPv4 address or a name to look up.
    [[nodiscard]] const std::string& Host() const noexcept { return m_host; }
    // While the name is still looked up there is no connection to keep: a new name is looked up
    // (or connected to) at once, so the answer for the old one is never used.
    virtual void SetHost(const std::string& Value) {
        if (Value == m_host) {
            return;
        }
        if (Resolving()) {
            AbandonLookup();
            m_host = Value;
            OpenConnection();
            return;
        }
        changeEndpoint([this, &Value] { m_host = Value; }, "Cannot change Host while active");
    }

    [[nodiscard]] uint16_t Port() const noexcept { return m_port; }
    // While the name is still looked up, the port is only used once the answer comes.
    virtual void SetPort(uint16_t Value) {
        if (Value == m_port) {
            return;
        }
        if (Resolving()) {
            m_port = Value;
            return;
        }
        changeEndpoint([this, Value] { m_port = Value; }, "Cannot change Port while active");
    }

    [[nodiscard]] bool AllowChangeHostAndPortOnConnection() const noexcept {
        return m_allowChangeHostAndPortOnConnection;
    }
    void SetAllowChangeHostAndPortOnConnection(bool Value) noexcept {
        m_allowChangeHostAndPortOnConnection = Value;
    }

    void Disconnect() { SetConnected(false); }

    // Whether the attempt requested last is still waiting for its host name to be looked up.
    // Meanwhile Host and Port may change without any event: a new Host ends the lookup and the
    // attempt goes on with the new text; a new Port is used when the answer comes.
    [[nodiscard]] bool Resolving() const noexcept { return m_resolving; }
    // Host names are looked up by this resolver (the system's unless replaced), away from this
    // thread. A lookup that runs when the resolver is replaced starts again with the new one.
    void SetNameResolver(std::unique_ptr<NameResolver> resolver) {
        const bool wasResolving = Resolving();
        AbandonLookup();
        m_resolver = resolver ? std::move(resolver) : MakeSystemResolver();
        if (wasResolving) {
            ResolveHost();
        }
    }

    ErrorEventOf<Sender> OnError;

protected:
    virtual void SocketError(int Socket, int ErrorCode) {
        const std::string text = ::SocketErrorText(ErrorCode);
        if (!OnError) {
            throw std::runtime_error(text);
        }
        this->Fire(OnError, Socket, ErrorCode, text);
    }
    virtual void OpenConnection() = 0;
    virtual void CloseConnection() = 0;
    virtual void DoConnected() = 0;
    virtual void DoDisconnected(int Socket) = 0;
    virtual void DoDataAvailable(int Socket, int Count, bool& Handled) = 0;
    virtual void DoRead(int Socket, TSimpleTCPStream& Stream) = 0;
    virtual void HostResolved(const Lookup& answer) = 0;

    [[nodiscard]] bool ActiveRequested() const noexcept { return m_activeRequested; }
    // Forgets the request without closing anything; for destruction.
    void ForgetRequest() noexcept { m_activeRequested = false; }

    // Looks Host up away from this thread; the answer comes to HostResolved on this thread,
    // unless the attempt ends first (closing, by anyone, abandons the lookup). The lookup is
    // polled, since the resolver calls nothing back: a callback could outlive this library,
    // which its host may unload while a lookup still waits for a name server.
    void ResolveHost() {
        AbandonLookup();
        m_resolver->Start(m_host);
        if (!StartLookupPolling()) {
            m_resolver->Abandon();
            throw EOutOfResources("Not enough timers available");
        }
        m_resolving = true;
    }

    // One poll of the running lookup, from the platform's timer.
    void PollLookup() {
        if (!m_resolving) {
            return;
        }
        const Lookup answer = m_resolver->Poll();
        if (answer.state == Lookup::State::Running) {
            return;
        }
        StopLookupPolling();
        m_resolving = false;
        HostResolved(answer);
    }

    void AbandonLookup() noexcept {
        if (m_resolving) {
            StopLookupPolling();
            m_resolving = false;
            m_resolver->Abandon();
        }
    }

private:
    // Starts the platform's timer that calls PollLookup about every 10 ms; false when refused.
    [[nodiscard]] virtual bool StartLookupPolling() = 0;
    virtual void StopLookupPolling() noexcept = 0;

    void changeEndpoint(const std::function<void()>& store, const char* refusal) {
        if (!m_activeRequested) {
            store();
            return;
        }
        if (!m_allowChangeHostAndPortOnConnection) {
            throw std::runtime_error(refusal);
        }
        const std::weak_ptr<const void> alive = this->AliveToken();
        SetConnected(false);
        if (alive.expired()) {
            return;
        }
        store();
        SetConnected(true);
    }

    std::unique_ptr<NameResolver> m_resolver = MakeSystemResolver();
    bool m_resolving = false;
    bool m_activeRequested = false;
    bool m_allowChangeHostAndPortOnConnection = false;
    std::string m_host;
    uint16_t m_port = 0;
};

}  // namespace simple_tcp
