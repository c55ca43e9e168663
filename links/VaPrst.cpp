#include "VaPrst.h"

#include <stdexcept>
#include <utility>

TVaPersistent::TVaPersistent(TChangeEvent onChange) : m_onChange(std::move(onChange)) {}

void TVaPersistent::BeginUpdate() {
    ++m_updateCount;
}

void TVaPersistent::EndUpdate() {
    if (m_updateCount > 0 && --m_updateCount == 0) {
        Changed();
    }
}

void TVaPersistent::Changed() {
    if (m_updateCount == 0 && m_onChange) {
        m_onChange();
    }
}

TVaBuffers::TVaBuffers(TChangeEvent onChange, TGuard guard)
    : TVaPersistent(std::move(onChange)), m_guard(std::move(guard)) {}

void TVaBuffers::CheckChange() {
    if (m_guard) {
        m_guard();
    }
}

void TVaBuffers::storeNonNegative(TVaIntW& field, TVaIntW value) {
    if (value < 0) {
        throw EVaCommError("Buffer sizes, timeouts and limits cannot be negative");
    }
    Store(field, value);
}

void TVaBuffers::SetReadSize(TVaIntW value) {
    storeNonNegative(m_readSize, value);
}
void TVaBuffers::SetWriteSize(TVaIntW value) {
    storeNonNegative(m_writeSize, value);
}
void TVaBuffers::SetReadTimeout(TVaIntW value) {
    storeNonNegative(m_readTimeout, value);
}
void TVaBuffers::SetWriteTimeout(TVaIntW value) {
    storeNonNegative(m_writeTimeout, value);
}
void TVaBuffers::SetXonLimit(TVaIntW value) {
    storeNonNegative(m_xonLimit, value);
}
void TVaBuffers::SetXoffLimit(TVaIntW value) {
    storeNonNegative(m_xoffLimit, value);
}

void TVaBuffers::Assign(const TVaBuffers& source) {
    Updating([&] {
        SetReadSize(source.ReadSize());
        SetWriteSize(source.WriteSize());
        SetReadTimeout(source.ReadTimeout());
        SetWriteTimeout(source.WriteTimeout());
        SetXonLimit(source.XonLimit());
        SetXoffLimit(source.XoffLimit());
    });
}

void TVaFlowControl::Assign(const TVaFlowControl& source) {
    Updating([&] {
        SetOutCtsFlow(source.OutCtsFlow());
        SetOutDsrFlow(source.OutDsrFlow());
        SetControlDtr(source.ControlDtr());
        SetControlRts(source.ControlRts());
        SetXonXoffOut(source.XonXoffOut());
        SetXonXoffIn(source.XonXoffIn());
        SetDsrSensitivity(source.DsrSensitivity());
        SetTxContinueOnXoff(source.TxContinueOnXoff());
    });
}

void TVaEventChars::Assign(const TVaEventChars& source) {
    Updating([&] {
        SetXonChar(source.XonChar());
        SetXoffChar(source.XoffChar());
        SetErrorChar(source.ErrorChar());
        SetEventChar(source.EventChar());
        SetEofChar(source.EofChar());
    });
}
