#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "SimpleTCPErrorTable.h"
#include "SimpleTCPResolver.h"
#include "SimpleTCPRules.h"
#include "SimpleTCPSocketCore.h"
#include "SimpleTCPStream.h"

// The TCP client's events and the order in which it fires them, written once for every platform.
// The platform's socket class below it does the sockets, the notifications and the timers; the
// sender of the events is the platform's component class.
namespace simple_tcp {

template <typename Sender>
using NotifyEventOf = std::function<void(Sender*)>;
template <typename Sender>
using DataAvailEventOf = std::function<void(Sender*, int DataSize)>;
template <typename Sender>
using IOEventOf = std::function<void(Sender*, TSimpleTCPStream& Stream)>;
inline constexpr int32_t kDefaultReconnectInterval = 20000;

// The client over SocketBase, the platform's TCustomSocket: connect, close and error reporting in
// the same order on every platform. Events fire synchronously inside the call or notification
// that causes them; a handler may write Connected, Host or Port again, or delete the client,
// which then stops at once.
template <typename SocketBase, typename Sender>
class ClientSequence : public SocketBase {
public:
    ClientSequence() { this->SetTimerInterval(kDefaultReconnectInterval); }
    // For a platform whose components have an owner.
    template <typename Owner>
    explicit ClientSequence(Owner* AOwner) : SocketBase(AOwner) {
        this->SetTimerInterval(kDefaultReconnectInterval);
    }

    ~ClientSequence() override {
        this->BeginDestroying();
        m_established = false;
        this->CloseSilently();
        this->UpdateTimer();
    }

    [[nodiscard]] bool AutoReconnect() const noexcept { return m_autoReconnect; }
    void SetAutoReconnect(bool Value) noexcept { m_autoReconnect = Value; }
    [[nodiscard]] int32_t AutoReconnectInterval() const noexcept { return this->TimerInterval(); }
    void SetAutoReconnectInterval(int32_t Value) { this->SetTimerInterval(Value); }

    [[nodiscard]] bool Connected() const override { return m_established; }

    void SetConnected(bool Value) override {
        if (Value == this->ActiveRequested()) {
            return;
        }
        m_established = false;
        SocketBase::SetConnected(Value);
    }

    NotifyEventOf<Sender> OnConnected;
    NotifyEventOf<Sender> OnDisconnected;
    NotifyEventOf<Sender> OnConnectionLost;
    DataAvailEventOf<Sender> OnDataAvailable;
    IOEventOf<Sender> OnRead;

protected:
    void TimerFired() override { SetConnected(true); }

    // The socket is closed (OnDisconnected if it was requested) before the error is reported; a
    // connection that was up is reported lost first, a failed attempt arms the retry timer.
    void SocketError(int Socket, int ErrorCode) override {
        const bool wasEstablished = m_established;
        const bool wasRequested = this->ActiveRequested();
        const std::weak_ptr<const void> alive = this->AliveToken();
        SetConnected(false);
        if (alive.expired()) {
            return;
        }
        if (wasEstablished) {
            DoConnectionLost();
            if (alive.expired()) {
                return;
            }
        } else if (wasRequested) {
            this->SetTimerEnabled(true);
        }
        SocketBase::SocketError(Socket, ErrorCode);
    }

    // A dotted address connects at once; a name is looked up first, and the attempt goes on when
    // the answer comes.
    void OpenConnection() override {
        const HostText host = classifyHost(this->Host());
        switch (host.kind) {
            case HostText::Kind::Address:
                this->ConnectTo(host.address);
                break;
            case HostText::Kind::Name:
                this->ResolveHost();
                break;
            case HostText::Kind::Invalid:
                SocketError(-1, kWsaEFault);
                break;
        }
    }

    // Whatever the resolver said, a name without an address is reported as "Bad address".
    void HostResolved(const Lookup& answer) override {
        if (answer.state == Lookup::State::Resolved) {
            this->ConnectTo(answer.address);
        } else {
            SocketError(-1, kWsaEFault);
        }
    }

    void CloseConnection() override {
        this->SetTimerEnabled(false);
        const std::weak_ptr<const void> alive = this->AliveToken();
        SocketBase::CloseConnection();
        if (!alive.expired() && !this->Destroying()) {
            this->Fire(OnDisconnected);
        }
    }

    void DoConnected() override {
        this->SetTimerEnabled(false);
        m_established = true;
        this->Fire(OnConnected);
    }

    // A peer's close: an active link fires OnDisconnected from the close and once more here,
    // then reports the connection lost.
    void DoDisconnected(int /*Socket*/) override {
        const std::weak_ptr<const void> alive = this->AliveToken();
        SetConnected(false);
        if (alive.expired() || this->Destroying()) {
            return;
        }
        if (this->Fire(OnDisconnected)) {
            DoConnectionLost();
        }
    }

    void DoDataAvailable(int /*Socket*/, int Count, bool& Handled) override {
        Handled = static_cast<bool>(OnDataAvailable);
        this->Fire(OnDataAvailable, Count);
    }

    void DoRead(int /*Socket*/, TSimpleTCPStream& Stream) override { this->Fire(OnRead, Stream); }

    virtual void DoConnectionLost() {
        if (this->Fire(OnConnectionLost) && m_autoReconnect) {
            SetConnected(true);
        }
    }

private:
    bool m_autoReconnect = false;
    bool m_established = false;
};

}  // namespace simple_tcp
