#pragma once

#include <winsock2.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "VaComm.h"
#include "support/win32_message_pump.h"
#include "support/win32_pty_far_end.h"

namespace test_support {

// The port as the plug-in window sets it up, on the harness's pseudo-terminal.
inline void ConfigureLikeVaComm1(TVaComm& comm) {
    comm.SetBaudrate(br2400);
    comm.SetPortNum(PtyFarEnd::ComNumber());
    comm.SetDeviceName("COM%d");
    comm.SetMonitorEvents({ceRxChar, ceTxEmpty});
    comm.SetEventPriority(tpHigher);
    comm.SetDirectWrite(true);
}

class Win32PtyPortTest : public testing::Test {
protected:
    void SetUp() override {
        if (!PtyFarEnd::Available()) {
            GTEST_SKIP() << "needs a pseudo-terminal as COM port: run under vacomm_pty_harness.sh";
        }
        ASSERT_TRUE(device.Connect());
        ConfigureLikeVaComm1(comm);
    }

    // Hangs the line up and waits until the harness has a new pseudo-terminal in its place.
    void replacePty() {
        device.HangUp();
        ASSERT_TRUE(device.Connect());
    }

    PtyFarEnd device;
    TVaComm comm;
};

}  // namespace test_support
