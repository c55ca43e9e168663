#pragma once

#include <cstdint>
#include <functional>

#include "VaCommTypes.h"

// The settings objects a serial port owns: each one reports its changes to the port through a
// callback, so that a change takes effect on an open port at once.

using TVaIntW = std::int32_t;

enum TVaControlDtr { dtrDisabled, dtrEnabled, dtrHandshake };
enum TVaControlRts { rtsDisabled, rtsEnabled, rtsHandshake, rtsToggle };

class TVaPersistent {
public:
    using TChangeEvent = std::function<void()>;

    explicit TVaPersistent(TChangeEvent onChange = {});
    virtual ~TVaPersistent() = default;
    TVaPersistent(const TVaPersistent&) = delete;
    TVaPersistent& operator=(const TVaPersistent&) = delete;

    // Between the two, changes are stored without calling the callback; the outermost
    // EndUpdate calls it once.
    void BeginUpdate();
    void EndUpdate();

protected:
    // Asked before a changed value is stored; may throw to refuse the change.
    virtual void CheckChange() {}
    void Changed();

    // Runs copy inside an update bracket; the callback runs once at the end if copy returns.
    template <typename F>
    void Updating(F copy) {
        BeginUpdate();
        try {
            copy();
        } catch (...) {
            --m_updateCount;
            throw;
        }
        EndUpdate();
    }

    template <typename T>
    void Store(T& field, T value) {
        if (field == value) {
            return;
        }
        CheckChange();
        field = value;
        Changed();
    }

private:
    TChangeEvent m_onChange;
    int m_updateCount = 0;
};

class TVaBuffers : public TVaPersistent {
public:
    using TGuard = std::function<void()>;

    explicit TVaBuffers(TChangeEvent onChange = {}, TGuard guard = {});

    void Assign(const TVaBuffers& source);

    TVaIntW ReadSize() const { return m_readSize; }
    TVaIntW WriteSize() const { return m_writeSize; }
    TVaIntW ReadTimeout() const { return m_readTimeout; }
    TVaIntW WriteTimeout() const { return m_writeTimeout; }
    TVaIntW XonLimit() const { return m_xonLimit; }
    TVaIntW XoffLimit() const { return m_xoffLimit; }

    // Negative values are refused with EVaCommError.
    void SetReadSize(TVaIntW value);
    void SetWriteSize(TVaIntW value);
    void SetReadTimeout(TVaIntW value);
    void SetWriteTimeout(TVaIntW value);
    void SetXonLimit(TVaIntW value);
    void SetXoffLimit(TVaIntW value);

protected:
    void CheckChange() override;

private:
    void storeNonNegative(TVaIntW& field, TVaIntW value);

    TGuard m_guard;
    TVaIntW m_readSize = 4096;
    TVaIntW m_writeSize = 2048;
    TVaIntW m_readTimeout = 1000;
    TVaIntW m_writeTimeout = 1000;
    TVaIntW m_xonLimit = 1024;
    TVaIntW m_xoffLimit = 1024;
};

class TVaFlowControl : public TVaPersistent {
public:
    using TVaPersistent::TVaPersistent;

    void Assign(const TVaFlowControl& source);

    bool OutCtsFlow() const { return m_outCtsFlow; }
    bool OutDsrFlow() const { return m_outDsrFlow; }
    TVaControlDtr ControlDtr() const { return m_controlDtr; }
    TVaControlRts ControlRts() const { return m_controlRts; }
    bool XonXoffOut() const { return m_xonXoffOut; }
    bool XonXoffIn() const { return m_xonXoffIn; }
    bool DsrSensitivity() const { return m_dsrSensitivity; }
    bool TxContinueOnXoff() const { return m_txContinueOnXoff; }

    void SetOutCtsFlow(bool value) { Store(m_outCtsFlow, value); }
    void SetOutDsrFlow(bool value) { Store(m_outDsrFlow, value); }
    void SetControlDtr(TVaControlDtr value) { Store(m_controlDtr, value); }
    void SetControlRts(TVaControlRts value) { Store(m_controlRts, value); }
    void SetXonXoffOut(bool value) { Store(m_xonXoffOut, value); }
    void SetXonXoffIn(bool value) { Store(m_xonXoffIn, value); }
    void SetDsrSensitivity(bool value) { Store(m_dsrSensitivity, value); }
    void SetTxContinueOnXoff(bool value) { Store(m_txContinueOnXoff, value); }

private:
    bool m_outCtsFlow = false;
    bool m_outDsrFlow = false;
    TVaControlDtr m_controlDtr = dtrDisabled;
    TVaControlRts m_controlRts = rtsDisabled;
    bool m_xonXoffOut = false;
    bool m_xonXoffIn = false;
    bool m_dsrSensitivity = false;
    bool m_txContinueOnXoff = false;
};

class TVaEventChars : public TVaPersistent {
public:
    using TVaPersistent::TVaPersistent;

    void Assign(const TVaEventChars& source);

    char XonChar() const { return m_xonChar; }
    char XoffChar() const { return m_xoffChar; }
    char ErrorChar() const { return m_errorChar; }
    char EventChar() const { return m_eventChar; }
    char EofChar() const { return m_eofChar; }

    void SetXonChar(char value) { Store(m_xonChar, value); }
    void SetXoffChar(char value) { Store(m_xoffChar, value); }
    void SetErrorChar(char value) { Store(m_errorChar, value); }
    void SetEventChar(char value) { Store(m_eventChar, value); }
    void SetEofChar(char value) { Store(m_eofChar, value); }

private:
    char m_xonChar = 17;
    char m_xoffChar = 19;
    char m_errorChar = 0;
    char m_eventChar = 0;
    char m_eofChar = 0;
};
