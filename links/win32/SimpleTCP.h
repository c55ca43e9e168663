#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "LinkCommon.h"
#include "LinkWindow.h"
#include "SimpleTCPClientSequence.h"
#include "SimpleTCPResolver.h"
#include "SimpleTCPRules.h"
#include "SimpleTCPSocketCore.h"
#include "SimpleTCPStream.h"

using TSimpleTCPClientDataAvailEvent = simple_tcp::DataAvailEventOf<TComponent>;
using TSimpleTCPClientIOEvent = simple_tcp::IOEventOf<TComponent>;
using TSimpleTCPErrorEvent = simple_tcp::ErrorEventOf<TComponent>;

// A component with a hidden window of the thread that creates it and one window timer on it.
// The window carries the component's notifications; the thread's message loop delivers them.
class TTimerComponent : public TComponent {
public:
    TTimerComponent();
    ~TTimerComponent() override;

    [[nodiscard]] bool TimerEnabled() const noexcept { return m_timerEnabled; }
    [[nodiscard]] int32_t TimerInterval() const noexcept { return m_timerInterval; }

    // Receives what escaped from a handler called by a timer tick or a socket notification;
    // without it the message goes to the debugger's output. The component stays as it was.
    TLinkExceptionEvent OnException;

protected:
    void SetTimerEnabled(bool Value);
    void SetTimerInterval(int32_t Value);

    virtual void UpdateTimer();
    [[nodiscard]] virtual bool TimerAllowed() const { return true; }
    virtual void TimerFired() {}

    // One message of the hidden window; true when it was handled here.
    virtual bool WndProc(UINT Message, WPARAM WParam, LPARAM LParam);
    [[nodiscard]] HWND WindowHandle() const noexcept { return m_window.Handle(); }

    [[nodiscard]] bool Destroying() const noexcept { return m_destroying; }
    void BeginDestroying() noexcept { m_destroying = true; }

    // Runs work from a window message so that no exception leaves the message.
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
    void reportException(const std::string& message) noexcept;

    links::LinkWindow m_window;
    bool m_timerEnabled = false;
    int32_t m_timerInterval = 0;
    bool m_destroying = false;
};

// A non-blocking IPv4 stream socket whose progress arrives as WinSock's asynchronous selection
// on the component's window: connect completed, data readable, peer closed and, only while
// bytes wait to be written, writable; each with the error code in the message.
class TCustomSocket : public simple_tcp::SocketCore<TTimerComponent, TComponent> {
public:
    TCustomSocket();
    ~TCustomSocket() override;

    // The socket, or -1. WinSock handles are kernel handles, whose values fit 32 bits.
    [[nodiscard]] int SocketHandle() const noexcept;

    // Bytes held back unsent at most, and bytes taken from the socket per readable notification.
    static constexpr int kMaxUnsentBytes = simple_tcp::kMaxUnsentBytes;
    static constexpr int kReadBytesPerNotification = simple_tcp::kReadBytesPerNotification;

    // Hands Length bytes to the connection, whole and in order behind every byte handed over
    // before. What WinSock does not take at once (a peer that stops reading, a connect still
    // pending) is kept, at most kMaxUnsentBytes in all, and written before any later bytes when
    // the socket reports it can take more; PendingBytes() tells how many wait. Returns:
    // - Length: every byte was sent or kept;
    // - 0: no socket, or a Length of 0 or less; nothing is sent and nothing reported;
    // - -1: the link is closed and the failure already reported (OnDisconnected, then
    //   OnConnectionLost if it was up, then OnError): a WinSock error, or bytes that would
    //   take the kept ones beyond kMaxUnsentBytes, reported as 10035 "Operation would block".
    //   No refused byte is kept; while bytes were kept, no refused byte was sent either.
    // Closing, by anyone, discards the kept bytes, and its abortive close may cut what WinSock
    // still held.
    int SendBuffer(const void* Data, int Length);
    // Bytes handed to SendBuffer that wait for the socket; 0 once all are with WinSock.
    [[nodiscard]] int PendingBytes() const noexcept { return static_cast<int>(m_unsent.size()); }

    // One receive of at most Size bytes that are waiting: returns the count, 0 when nothing
    // waits or the peer closed (reported), -1 after an error (reported). It also resumes the
    // readable notifications that an OnDataAvailable handler paused by leaving bytes unread.
    int ReceiveBuffer(void* Buffer, int Size);

protected:
    enum : int { kFdRead = 1, kFdWrite = 2, kFdAccept = 8, kFdConnect = 16, kFdClose = 32 };

    void CloseConnection() override;

    bool WndProc(UINT Message, WPARAM WParam, LPARAM LParam) override;

    // Creates the socket of a new attempt, selects its notifications and starts its connect;
    // every failure is reported through SocketError.
    void ConnectTo(uint32_t Address);

    // Dispatches one notification: an error code above 10000 is a failure whatever the event.
    void SocketNotify(int Socket, int Event, int ErrorCode);

    // Closes the socket without any event; for destruction.
    void CloseSilently() noexcept;

private:
    enum class SliceEnd { Full, Nothing, PeerClosed, Error, Gone };

    [[nodiscard]] bool StartLookupPolling() override;
    void StopLookupPolling() noexcept override;
    void onSocketMessage(WPARAM socket, LPARAM selection);
    [[nodiscard]] bool selectNotifications(bool writable);
    void writeUnsent(int Socket);
    int failSend(int Socket, int ErrorCode);
    void readNotification(int Socket);
    void closeNotification(int Socket);
    void offerWaitingBytes(int Socket, int taken);
    SliceEnd readSlice(int Socket, int& error);
    [[nodiscard]] bool isCurrent(int socket, uint64_t generation) const noexcept;
    [[nodiscard]] bool waitingOrReport(int Socket, int& waiting);
    int receiveOnce(int Socket, void* Buffer, int Size);
    int closeSocket() noexcept;

    uintptr_t m_socket;
    uint64_t m_generation = 0;
    bool m_connectPending = false;
    bool m_writeSelected = false;
    simple_tcp::UnsentBytes m_unsent;
    bool m_readPaused = false;
    uint64_t m_bytesTakenByOwner = 0;
};

// The TCP client: connects to Host:Port, reports through events and retries on its timer.
class TSimpleTCPClient : public simple_tcp::ClientSequence<TCustomSocket, TComponent> {};
