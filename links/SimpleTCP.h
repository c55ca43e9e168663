#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>

#include "LinkCommon.h"
#include "SimpleTCPClientSequence.h"
#include "SimpleTCPResolver.h"
#include "SimpleTCPRules.h"
#include "SimpleTCPSocketCore.h"
#include "SimpleTCPStream.h"

class QSocketNotifier;
class QTimer;
class QTimerEvent;

using TSimpleTCPClientDataAvailEvent = simple_tcp::DataAvailEventOf<QObject>;
using TSimpleTCPClientIOEvent = simple_tcp::IOEventOf<QObject>;
using TSimpleTCPErrorEvent = simple_tcp::ErrorEventOf<QObject>;

// A component with one timer, driven by the event loop of the thread that created it.
class TTimerComponent : public QObject {
    Q_OBJECT

public:
    explicit TTimerComponent(QObject* AOwner = nullptr);
    ~TTimerComponent() override;

    [[nodiscard]] bool TimerEnabled() const noexcept { return m_timerEnabled; }
    [[nodiscard]] int32_t TimerInterval() const noexcept { return m_timerInterval; }

    // Expires when the component is destroyed: a caller that runs a handler keeps a copy and
    // checks it afterwards, because the handler may have destroyed the component.
    [[nodiscard]] std::weak_ptr<const void> AliveToken() const noexcept { return m_alive; }

    // Receives what escaped from a handler called by a timer tick or a socket notification;
    // without it the message goes to Qt's warning output. The component stays as it was.
    TLinkExceptionEvent OnException;

protected:
    void SetTimerEnabled(bool Value);
    void SetTimerInterval(int32_t Value);

    virtual void UpdateTimer();
    [[nodiscard]] virtual bool TimerAllowed() const { return true; }
    virtual void TimerFired() {}

    [[nodiscard]] bool Destroying() const noexcept { return m_destroying; }
    void BeginDestroying() noexcept { m_destroying = true; }

    // Runs work from an event-loop callback so that no exception leaves the callback.
    void RunFromEventLoop(const std::function<void()>& work) noexcept;

    // Calls an event handler, if one is bound, with the component as Sender. A handler may
    // destroy the component: the call runs a copy of the handler, and the result tells whether
    // the component still exists, so that the caller stops touching it when not.
    template <typename Event, typename... Args>
    bool Fire(const Event& event, Args&&... args) {
        if (!event) {
            return true;
        }
        const std::weak_ptr<const void> alive = AliveToken();
        const Event handler = event;
        handler(this, std::forward<Args>(args)...);
        return !alive.expired();
    }

private:
    void reportException(const QString& message) noexcept;

    QTimer* m_timer;
    bool m_timerEnabled = false;
    int32_t m_timerInterval = 0;
    bool m_destroying = false;
    std::shared_ptr<const void> m_alive = std::make_shared<int>(0);
};

// A non-blocking IPv4 stream socket whose progress arrives as notifications on the thread that
// created the component: connect completed, data readable and peer closed, each with an error.
class TCustomSocket : public simple_tcp::SocketCore<TTimerComponent, QObject> {
    Q_OBJECT

public:
    explicit TCustomSocket(QObject* AOwner = nullptr);
    ~TCustomSocket() override;

    [[nodiscard]] int SocketHandle() const noexcept { return m_socket.get(); }

    // Bytes held back unsent at most, and bytes taken from the socket per readable notification.
    static constexpr int kMaxUnsentBytes = simple_tcp::kMaxUnsentBytes;
    static constexpr int kReadBytesPerNotification = simple_tcp::kReadBytesPerNotification;

    // Hands Length bytes to the connection, whole and in order behind every byte handed over
    // before. What the platform does not take at once (a peer that stops reading, a connect
    // still pending) is kept, at most kMaxUnsentBytes in all, and written before any later
    // bytes as the socket becomes writable; PendingBytes() tells how many wait. Returns:
    // - Length: every byte was sent or kept;
    // - 0: no socket, or a Length of 0 or less; nothing is sent and nothing reported;
    // - -1: the link is closed and the failure already reported (OnDisconnected, then
    //   OnConnectionLost if it was up, then OnError): a platform error, or bytes that would
    //   take the kept ones beyond kMaxUnsentBytes, reported as 10035 "Operation would block".
    //   No refused byte is kept; while bytes were kept, no refused byte was sent either.
    // Closing, by anyone, discards the kept bytes, and its abortive close may cut what the
    // platform still held.
    int SendBuffer(const void* Data, int Length);
    // Bytes handed to SendBuffer that wait for the socket; 0 once all are with the platform.
    [[nodiscard]] int PendingBytes() const noexcept { return static_cast<int>(m_unsent.size()); }

    // One receive of at most Size bytes that are waiting: returns the count, 0 when nothing
    // waits or the peer closed (reported), -1 after an error (reported). It also resumes the
    // readable notifications that an OnDataAvailable handler paused by leaving bytes unread.
    int ReceiveBuffer(void* Buffer, int Size);

protected:
    enum : int { kFdRead = 1, kFdAccept = 8, kFdConnect = 16, kFdClose = 32 };

    void CloseConnection() override;

    // Creates the socket of a new attempt, watches it for the completion of its connect and
    // starts the connect; every failure is reported through SocketError.
    void ConnectTo(uint32_t Address);

    // Dispatches one notification: an error code above 10000 is a failure whatever the event.
    void SocketNotify(int Socket, int Event, int ErrorCode);

    // Closes the socket without any event; for destruction.
    void CloseSilently() noexcept;

private:
    [[nodiscard]] bool StartLookupPolling() override;
    void StopLookupPolling() noexcept override;
    void timerEvent(QTimerEvent* event) override;
    void selectConnectNotifications(links::UniqueFd socket);
    void onWritable(int socket, uint64_t generation);
    void completeConnect(int socket);
    void writeUnsent(int socket);
    int failSend(int socket, int errnoValue);
    void onReadable(int socket, uint64_t generation);
    void readNotification(int Socket);
    void offerWaitingBytes(int Socket, int waiting);
    void readSlice(int Socket);
    [[nodiscard]] bool isCurrent(int socket, uint64_t generation) const noexcept;
    [[nodiscard]] bool waitingOrReport(int Socket, int& waiting);
    int receiveOnce(int Socket, void* Buffer, int Size);
    int closeSocket() noexcept;
    void dropNotifiers() noexcept;

    int m_lookupTimer = 0;
    links::UniqueFd m_socket;
    uint64_t m_generation = 0;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
    bool m_connectPending = false;
    simple_tcp::UnsentBytes m_unsent;
    bool m_readPaused = false;
    uint64_t m_bytesTakenByOwner = 0;
};

// The TCP client: connects to Host:Port, reports through events and retries on its timer.
class TSimpleTCPClient : public simple_tcp::ClientSequence<TCustomSocket, QObject> {
    Q_OBJECT

public:
    explicit TSimpleTCPClient(QObject* AOwner = nullptr) : ClientSequence(AOwner) {}
};
