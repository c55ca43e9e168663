#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "LinkCommon.h"
#include "VaCommKeptOutput.h"
#include "VaCommTypes.h"
#include "VaPrst.h"

using TVaCommErrorEvent = std::function<void(TComponent* Sender, int Errors)>;
using TVaCommRxCharEvent = std::function<void(TComponent* Sender, int Count)>;
using TVaCommRxBufEvent = std::function<void(TComponent* Sender, PVaData Data, int Count)>;

class TVaComponent : public TComponent {};

// A serial port: opens a communications device with the chosen line settings, writes to it and
// lets its owner take received bytes. Every public operation belongs to the thread that created
// it; line events reach that thread through its message loop.
class TVaCustomComm : public TVaComponent {
public:
    explicit TVaCustomComm(TComponent* owner = nullptr);
    ~TVaCustomComm() override;

    void Open();
    void Close();
    bool IsOpen() const { return m_handle != nullptr; }
    // Opens the port when AutoOpen is set; for owners that set the properties first.
    void Loaded();

    // Any number of bytes from 0 to count: only what is already waiting; never waits for data.
    int ReadBuf(void* buffer, int count);
    bool ReadChar(char& ch);
    // Hands count bytes to the port, whole and in order behind every byte handed over before.
    // With DirectWrite it waits until the driver has taken them or WriteTimeout ms have passed;
    // what the device has not taken by then is kept and written before any later bytes, so a
    // reader that stalls never receives a command cut in two and glued to the next one. Returns
    // count when every byte was written or kept, and 0 when nothing was taken: a closed port,
    // a count of 0 or less, or kept bytes the device still will not take (the new bytes are
    // refused whole). PendingBytes() tells how many bytes are kept.
    int WriteBuf(const void* data, int count);
    // True only when every byte of the text reached the device now.
    bool WriteText(std::string_view text);
    // Writes what the device takes now of the kept bytes; true once none are kept. Close drops
    // kept bytes: they never reach the device opened next.
    bool FlushPending();
    [[nodiscard]] int PendingBytes() const { return m_unsent.Size(); }
    int InQueCount();
    // The device the port opens: DeviceName formatted with PortNum, in the device namespace.
    std::string DevicePath() const;

    bool AutoOpen() const { return m_autoOpen; }
    void SetAutoOpen(bool value) { m_autoOpen = value; }
    TVaBaudrate Baudrate() const { return m_baudrate; }
    void SetBaudrate(TVaBaudrate value);
    std::int32_t UserBaudrate() const { return m_userBaudrate; }
    void SetUserBaudrate(std::int32_t value);
    TVaParity Parity() const { return m_parity; }
    void SetParity(TVaParity value);
    TVaDatabits Databits() const { return m_databits; }
    void SetDatabits(TVaDatabits value);
    TVaStopbits Stopbits() const { return m_stopbits; }
    void SetStopbits(TVaStopbits value);
    TVaCommOptions Options() const { return m_options; }
    void SetOptions(TVaCommOptions value);
    TVaEventChars& EventChars() { return m_eventChars; }
    void SetEventChars(const TVaEventChars& value) { m_eventChars.Assign(value); }
    TVaFlowControl& FlowControl() { return m_flowControl; }
    void SetFlowControl(const TVaFlowControl& value) { m_flowControl.Assign(value); }
    TVaBuffers& Buffers() { return m_buffers; }
    void SetBuffers(const TVaBuffers& value);

    // Refused with "Can't perform this operation while port is open" while open.
    TVaPortInt PortNum() const { return m_portNum; }
    void SetPortNum(TVaPortInt value);
    std::string DeviceName() const { return m_deviceName; }
    void SetDeviceName(const std::string& value);
    TVaCommEvents MonitorEvents() const { return m_monitorEvents; }
    void SetMonitorEvents(TVaCommEvents value);
    bool DirectWrite() const { return m_directWrite; }
    void SetDirectWrite(bool value);
    bool UpdateDCB() const { return m_updateDcb; }
    void SetUpdateDCB(bool value);

    TThreadPriority EventPriority() const { return m_eventPriority; }
    void SetEventPriority(TThreadPriority value);
    TThreadPriority WritePriority() const { return m_writePriority; }
    void SetWritePriority(TThreadPriority value);

    std::string Version() const { return "1.5.0.0"; }
    void SetVersion(const std::string&) {}

    // The device handle while open (a HANDLE), for tests that look at the line settings.
    [[nodiscard]] void* Handle() const noexcept { return m_handle; }
    // The running event thread's handle (a HANDLE), or null when there is none.
    [[nodiscard]] void* EventThreadHandle() const noexcept;

    TNotifyEvent OnOpen, OnClose, OnCts, OnDsr, OnRlsd, OnRing, OnBreak;
    TVaCommErrorEvent OnError;
    TVaCommRxCharEvent OnRxChar;
    TVaCommRxBufEvent OnRxBuf;
    TNotifyEvent OnRxFlag, OnTxEmpty, OnPErr, OnRx80Full, OnEvent1, OnEvent2;
    // What an event handler threw, a failure of the port's own event thread, or a line that
    // hung up (reported once, as it happens), as a text: nothing thrown ever leaves a dispatch.
    TLinkExceptionEvent OnException;

protected:
    virtual void CreateHandle();
    virtual void StartThreads();
    virtual void HandleRxChar();
    virtual void HandleEvents(std::uint32_t mask);

    void CheckClosed() const;
    void ApplyDCB();

private:
    void configureOpenPort();
    void SetupBuffers();
    void SetupTimeouts();
    void SetupEventMask();
    void StopThreads();
    void releaseHandle() noexcept;
    bool onMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
    void changeLineSetting(const std::function<void()>& assign);
    void dispatchEvents(std::uint32_t bits);
    void fire(const TNotifyEvent& event);
    void handleException(std::exception_ptr error);
    int lineErrorWord();
    int transfer(bool write, void* data, int count, unsigned long timeoutMs);
    int writeNow(const char* data, int count);
    int writeDirect(const char* data, int count);
    int writeBuffered(const char* data, int count);
    [[noreturn]] void raiseSystem(const char* pattern, unsigned long error) const;

    // The window, threads and events of the port, and what they share with the caller's thread.
    struct Machinery;

    void* m_handle = nullptr;
    std::unique_ptr<Machinery> m_machinery;
    VaKeptOutput m_unsent;
    std::uint32_t m_eventMask = 0;
    std::uint32_t m_monitorBits = 0;
    bool m_destroying = false;

    bool m_autoOpen = false;
    TVaBaudrate m_baudrate = br1200;
    TVaParity m_parity = paNone;
    TVaDatabits m_databits = db8;
    TVaStopbits m_stopbits = sb1;
    TVaEventChars m_eventChars;
    TVaFlowControl m_flowControl;
    TVaCommOptions m_options;
    TVaPortInt m_portNum = 0;
    std::string m_deviceName = "COM%d";
    TVaCommEvents m_monitorEvents{ceError, ceRxChar, ceTxEmpty};
    TVaBuffers m_buffers;
    TThreadPriority m_eventPriority = tpNormal;
    TThreadPriority m_writePriority = tpHighest;
    bool m_directWrite = false;
    bool m_updateDcb = true;
    std::int32_t m_userBaudrate = 0;
};

class TVaComm : public TVaCustomComm {
public:
    using TVaCustomComm::TVaCustomComm;
};
