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
        throw std::out_of_range("Buffer sizes, timeouts and limits cannot be negative");
    }
    Store(field, value);
}

void TVaBuffers::setReadSize(TVaIntW value) {
    storeNonNegative(m_readSize, value);
}
void TVaBuffers::setWriteSize(TVaIntW value) {
    storeNonNegative(m_writeSize, value);
}
void TVaBuffers::setReadTimeout(TVaIntW value) {
    storeNonNegative(m_readTimeout, value);
}
void TVaBuffers::setWriteTimeout(TVaIntW value) {
    storeNonNegative(m_writeTimeout, value);
}
void TVaBuffers::setXonLimit(TVaIntW value) {
    storeNonNegative(m_xonLimit, value);
}
void TVaBuffers::setXoffLimit(TVaIntW value) {
    storeNonNegative(m_xoffLimit, value);
}

void TVaBuffers::Assign(const TVaBuffers& source) {
    Updating([&] {
        setReadSize(source.ReadSize());
        setWriteSize(source.WriteSize());
        setReadTimeout(source.ReadTimeout());
        setWriteTimeout(source.WriteTimeout());
        setXonLimit(source.XonLimit());
        setXoffLimit(source.XoffLimit());
    });
}

void TVaFlowControl::Assign(const TVaFlowControl& source) {
    Updating([&] {
        setOutCtsFlow(source.OutCtsFlow());
        setOutDsrFlow(source.OutDsrFlow());
        setControlDtr(source.ControlDtr());
        setControlRts(source.ControlRts());
        setXonXoffOut(source.XonXoffOut());
        setXonXoffIn(source.XonXoffIn());
        setDsrSensitivity(source.DsrSensitivity());
        setTxContinueOnXoff(source.TxContinueOnXoff());
    });
}

void TVaEventChars::Assign(const TVaEventChars& source) {
    Updating([&] {
        setXonChar(source.XonChar());
        setXoffChar(source.XoffChar());
        setErrorChar(source.ErrorChar());
        setEventChar(source.EventChar());
        setEofChar(source.EofChar());
    });
}
