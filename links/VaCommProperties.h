#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "VaCommTypes.h"
#include "VaPrst.h"

// The published properties of a serial port, their defaults and the rules of their setters,
// the same on every platform. The port derives from it and answers the few questions a setter
// asks of the device: whether it is open, and how to apply a change to it at once.
class VaCommProperties {
public:
    VaCommProperties(const VaCommProperties&) = delete;
    VaCommProperties& operator=(const VaCommProperties&) = delete;

    bool AutoOpen() const { return m_autoOpen; }
    void SetAutoOpen(bool value) { m_autoOpen = value; }

    // A changed line setting takes effect at once on an open port; one the device refuses is
    // raised, and every line setting keeps the value it had before.
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

    // Passed to the running threads at once.
    TThreadPriority EventPriority() const { return m_eventPriority; }
    void SetEventPriority(TThreadPriority value);
    TThreadPriority WritePriority() const { return m_writePriority; }
    void SetWritePriority(TThreadPriority value);

    std::string Version() const { return "1.5.0.0"; }
    void SetVersion(const std::string&) {}

protected:
    VaCommProperties();
    virtual ~VaCommProperties() = default;

    void CheckClosed() const;

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

private:
    // What the port does for its setters.
    [[nodiscard]] virtual bool PortIsOpen() const = 0;
    // Applies the line settings to an open port (nothing while closed); throws EVaCommError
    // when the device refuses them.
    virtual void ApplyLineSettings() = 0;
    // Asks an open port's driver for the queue sizes of Buffers.
    virtual void ApplyQueueSizes() = 0;
    // Passes EventPriority and WritePriority to whichever threads run.
    virtual void ApplyThreadPriorities() = 0;

    void changeLineSetting(const std::function<void()>& assign);
};
