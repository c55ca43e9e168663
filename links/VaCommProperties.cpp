#include "VaCommProperties.h"

#include <tuple>

#include "VaCommRules.h"

// The callbacks reach the port only after it is built: the settings objects call nothing while
// the constructors run.
VaCommProperties::VaCommProperties()
    : m_eventChars([this] { ApplyLineSettings(); }),
      m_flowControl([this] { ApplyLineSettings(); }),
      m_buffers(
          [this] {
              CheckClosed();
              ApplyQueueSizes();
              ApplyLineSettings();
          },
          [this] { CheckClosed(); }) {}

void VaCommProperties::CheckClosed() const {
    if (PortIsOpen()) {
        throw EVaCommError(va_comm::kWhileOpen);
    }
}

void VaCommProperties::changeLineSetting(const std::function<void()>& assign) {
    const auto saved =
        std::make_tuple(m_baudrate, m_userBaudrate, m_parity, m_databits, m_stopbits, m_options);
    assign();
    try {
        ApplyLineSettings();
    } catch (...) {
        std::tie(m_baudrate, m_userBaudrate, m_parity, m_databits, m_stopbits, m_options) = saved;
        try {
            ApplyLineSettings();
        } catch (const EVaCommError&) {
        }
        throw;
    }
}

void VaCommProperties::SetBaudrate(TVaBaudrate value) {
    if (value == m_baudrate) {
        return;
    }
    changeLineSetting([&] {
        m_baudrate = value;
        if (value != brUser) {
            m_userBaudrate = 0;
        }
    });
}

void VaCommProperties::SetUserBaudrate(std::int32_t value) {
    if (value == m_userBaudrate) {
        return;
    }
    changeLineSetting([&] {
        m_userBaudrate = value;
        m_baudrate = brUser;
    });
}

void VaCommProperties::SetParity(TVaParity value) {
    if (value != m_parity) {
        changeLineSetting([&] { m_parity = value; });
    }
}

void VaCommProperties::SetDatabits(TVaDatabits value) {
    if (value != m_databits) {
        changeLineSetting([&] { m_databits = value; });
    }
}

void VaCommProperties::SetStopbits(TVaStopbits value) {
    if (value != m_stopbits) {
        changeLineSetting([&] { m_stopbits = value; });
    }
}

void VaCommProperties::SetOptions(TVaCommOptions value) {
    if (!(value == m_options)) {
        changeLineSetting([&] { m_options = value; });
    }
}

void VaCommProperties::SetBuffers(const TVaBuffers& value) {
    CheckClosed();
    m_buffers.Assign(value);
}

void VaCommProperties::SetPortNum(TVaPortInt value) {
    CheckClosed();
    if (value < 0) {
        throw EVaCommError(va_comm::kNegativePortNum);
    }
    m_portNum = value;
}

void VaCommProperties::SetDeviceName(const std::string& value) {
    CheckClosed();
    m_deviceName = value;
}

void VaCommProperties::SetMonitorEvents(TVaCommEvents value) {
    CheckClosed();
    m_monitorEvents = value;
}

void VaCommProperties::SetDirectWrite(bool value) {
    CheckClosed();
    m_directWrite = value;
}

void VaCommProperties::SetUpdateDCB(bool value) {
    CheckClosed();
    m_updateDcb = value;
}

void VaCommProperties::SetEventPriority(TThreadPriority value) {
    m_eventPriority = value;
    ApplyThreadPriorities();
}

void VaCommProperties::SetWritePriority(TThreadPriority value) {
    m_writePriority = value;
    ApplyThreadPriorities();
}
