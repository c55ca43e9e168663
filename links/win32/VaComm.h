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
#include "VaCommProperties.h"
#include "VaCommTypes.h"
#include "VaPrst.h"

using TVaCommErrorEvent = std::function<void(TComponent* Sender, int Errors)>;
using TVaCommRxCharEvent = std::function<void(TComponent* Sender, int Count)>;
using TVaCommRxBufEvent = std::function<void(TComponent* Sender, PVaData Data, int Count)>;

class TVaComponent : public TComponent {};

// A serial port: opens a communications device with the chosen line settings, writes to it and
// lets its owner take received bytes. Every public operation belongs to the thread that created
// it; line events reach that thread through its message loop.
class TVaCustomComm : public TVaComponent, public VaCommProperties {
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

    void ApplyDCB();

private:
    bool PortIsOpen() const override { return IsOpen(); }
    void ApplyLineSettings() override { ApplyDCB(); }
    void ApplyQueueSizes() override { SetupBuffers(); }
    void ApplyThreadPriorities() override;

    void configureOpenPort();
    void SetupBuffers();
    void SetupTimeouts();
    void SetupEventMask();
    void StopThreads();
    void releaseHandle() noexcept;
    bool onMessage(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);
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
};

class TVaComm : public TVaCustomComm {
public:
    using TVaCustomComm::TVaCustomComm;
};
