#pragma once

#include <QObject>

#include <cstdint>
#include <exception>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>

#include "LinkCommon.h"
#include "VaCommKeptOutput.h"
#include "VaCommProperties.h"
#include "VaCommTypes.h"
#include "VaPrst.h"

using TVaCommErrorEvent = std::function<void(QObject* Sender, int Errors)>;
using TVaCommRxCharEvent = std::function<void(QObject* Sender, int Count)>;
using TVaCommRxBufEvent = std::function<void(QObject* Sender, PVaData Data, int Count)>;

class TVaComponent : public QObject {
    Q_OBJECT
public:
    explicit TVaComponent(QObject* owner = nullptr) : QObject(owner) {}
};

// A serial port: opens a terminal device with the chosen line settings, writes to it and lets
// its owner take received bytes. Every public operation belongs to the thread that created it.
class TVaCustomComm : public TVaComponent, public VaCommProperties {
    Q_OBJECT
public:
    explicit TVaCustomComm(QObject* owner = nullptr);
    ~TVaCustomComm() override;

    void Open();
    void Close();
    bool IsOpen() const { return m_handle.valid(); }
    // Opens the port when AutoOpen is set; for owners that set the properties first.
    void Loaded();

    // Any number of bytes from 0 to count: only what is already waiting; never waits for data.
    int ReadBuf(void* buffer, int count);
    bool ReadChar(char& ch);
    // Hands count bytes to the port, whole and in order behind every byte handed over before.
    // With DirectWrite it waits until the kernel has taken them or WriteTimeout ms have passed;
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
    // The device the port opens: DeviceName formatted with PortNum, mapped to a Linux path.
    std::string DevicePath() const;

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
    void handOver(std::uint32_t bits);
    void dispatchEvents(std::uint32_t bits);
    void fire(const TNotifyEvent& event);
    void handleException(std::exception_ptr error);
    int lineErrorWord();
    int writeDirect(const char* data, int count);
    int writeNow(const char* data, int count);
    int writeBuffered(const char* data, int count);
    [[noreturn]] void raiseSystem(const char* pattern, int error) const;

    // The threads of an open port and what they share with the caller's thread.
    struct Machinery;

    links::UniqueFd m_handle;
    std::unique_ptr<Machinery> m_machinery;
    VaKeptOutput m_unsent;
    std::uint32_t m_eventMask = 0;
    std::uint32_t m_monitorBits = 0;
    const bool m_syncEvents = true;
    bool m_destroying = false;
    int m_lastLineErrors[5] = {};
};

class TVaComm : public TVaCustomComm {
    Q_OBJECT
public:
    using TVaCustomComm::TVaCustomComm;
};
