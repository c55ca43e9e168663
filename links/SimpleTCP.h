#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <stdexcept>

#include "SimpleTCPPlatform.h"

class QIODevice;
class QSocketNotifier;
class QTimer;

// Events are bound by the owner and called with the component as Sender; an empty one is skipped.
using TNotifyEvent = std::function<void(QObject* Sender)>;
using TSimpleTCPClientDataAvailEvent = std::function<void(QObject* Sender, int DataSize)>;
using TSimpleTCPClientIOEvent = std::function<void(QObject* Sender, QIODevice& Stream)>;
using TSimpleTCPErrorEvent =
    std::function<void(QObject* Sender, int Socket, int ErrorCode, const QString& ErrorMsg)>;
using TExceptionEvent = std::function<void(QObject* Sender, const QString& Message)>;

// Raised when the event loop cannot run the component's timer.
class EOutOfResources : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A component with one timer, driven by the event loop of the thread that created it.
class TTimerComponent : public QObject {
    Q_OBJECT

public:
    explicit TTimerComponent(QObject* AOwner = nullptr);
    ~TTimerComponent() override;

    [[nodiscard]] bool TimerEnabled() const noexcept { return m_timerEnabled; }
    [[nodiscard]] int32_t TimerInterval() const noexcept { return m_timerInterval; }

    // Receives what escaped from a handler called by a timer tick or a socket notification;
    // without it the message goes to Qt's warning output. The component stays as it was.
    TExceptionEvent OnException;

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

private:
    void reportException(const QString& message) noexcept;

    QTimer* m_timer;
    bool m_timerEnabled = false;
    int32_t m_timerInterval = 0;
    bool m_destroying = false;
};

// A non-blocking IPv4 stream socket whose progress arrives as notifications on the thread that
// created the component: connect completed, data readable and peer closed, each with an error.
class TCustomSocket : public TTimerComponent {
    Q_OBJECT

public:
    explicit TCustomSocket(QObject* AOwner = nullptr);
    ~TCustomSocket() override;

    [[nodiscard]] virtual bool Connected() const { return m_activeRequested; }
    virtual void SetConnected(bool Value);
    [[nodiscard]] const QString& Host() const noexcept { return m_host; }
    virtual void SetHost(const QString& Value);
    [[nodiscard]] uint16_t Port() const noexcept { return m_port; }
    virtual void SetPort(uint16_t Value);
    [[nodiscard]] bool AllowChangeHostAndPortOnConnection() const noexcept;
    void SetAllowChangeHostAndPortOnConnection(bool Value) noexcept;
    [[nodiscard]] int SocketHandle() const noexcept { return m_socket.get(); }

    // One send of Length bytes: returns the count the platform accepted, -1 after an error
    // (already reported, and the link closed), 0 without a socket or for a Length of 0 or less.
    int SendBuffer(const void* Data, int Length);

    // One receive of at most Size bytes that are waiting: returns the count, 0 when nothing
    // waits or the peer closed (reported), -1 after an error (reported). It also resumes the
    // readable notifications that an OnDataAvailable handler paused by leaving bytes unread.
    int ReceiveBuffer(void* Buffer, int Size);

    void Disconnect() { SetConnected(false); }

    TSimpleTCPErrorEvent OnError;

protected:
    enum : int { kFdRead = 1, kFdAccept = 8, kFdConnect = 16, kFdClose = 32 };

    virtual void SocketError(int Socket, int ErrorCode);
    virtual void OpenConnection() = 0;
    virtual void CloseConnection();
    virtual void DoConnected() = 0;
    virtual void DoDisconnected(int Socket) = 0;
    virtual void DoDataAvailable(int Socket, int Count, bool& Handled) = 0;
    virtual void DoRead(int Socket, QIODevice& Stream) = 0;

    [[nodiscard]] bool ActiveRequested() const noexcept { return m_activeRequested; }

    // Takes the socket of a new attempt and watches it for the completion of its connect.
    void SelectConnectNotifications(simple_tcp::UniqueFd socket);

    // Dispatches one notification: an error code above 10000 is a failure whatever the event.
    void SocketNotify(int Socket, int Event, int ErrorCode);

    // Closes the socket without any event; for destruction.
    void CloseSilently() noexcept;

private:
    void changeEndpoint(const std::function<void()>& store, const char* refusal);
    void onWritable(int socket, uint64_t generation);
    void onReadable(int socket, uint64_t generation);
    void readNotification(int Socket);
    [[nodiscard]] bool isCurrent(int socket, uint64_t generation) const noexcept;
    [[nodiscard]] bool waitingOrReport(int Socket, int& waiting);
    bool receiveToStream(int Socket, QByteArray& stream, int count);
    int receiveOnce(int Socket, void* Buffer, int Size);
    void closeSocketSilently() noexcept;
    void dropNotifiers() noexcept;

    simple_tcp::UniqueFd m_socket;
    uint64_t m_generation = 0;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
    bool m_readPaused = false;
    uint64_t m_bytesTakenByOwner = 0;
    bool m_activeRequested = false;
    bool m_allowChangeHostAndPortOnConnection = false;
    QString m_host;
    uint16_t m_port = 0;
};

// The TCP client: connects to Host:Port, reports through events and retries on its timer.
// Events fire synchronously inside the call or notification that causes them; a handler may
// write Connected, Host or Port again, but must not delete the client (use deleteLater).
class TSimpleTCPClient : public TCustomSocket {
    Q_OBJECT

public:
    explicit TSimpleTCPClient(QObject* AOwner = nullptr);
    ~TSimpleTCPClient() override;

    [[nodiscard]] bool AutoReconnect() const noexcept { return m_autoReconnect; }
    void SetAutoReconnect(bool Value) noexcept { m_autoReconnect = Value; }
    [[nodiscard]] int32_t AutoReconnectInterval() const noexcept { return TimerInterval(); }
    void SetAutoReconnectInterval(int32_t Value) { SetTimerInterval(Value); }

    [[nodiscard]] bool Connected() const override { return m_established; }
    void SetConnected(bool Value) override;

    TNotifyEvent OnConnected;
    TNotifyEvent OnDisconnected;
    TNotifyEvent OnConnectionLost;
    TSimpleTCPClientDataAvailEvent OnDataAvailable;
    TSimpleTCPClientIOEvent OnRead;

protected:
    void TimerFired() override;
    void SocketError(int Socket, int ErrorCode) override;
    void OpenConnection() override;
    void CloseConnection() override;
    void DoConnected() override;
    void DoDisconnected(int Socket) override;
    void DoDataAvailable(int Socket, int Count, bool& Handled) override;
    void DoRead(int Socket, QIODevice& Stream) override;
    virtual void DoConnectionLost();

private:
    bool m_autoReconnect = false;
    bool m_established = false;
};
