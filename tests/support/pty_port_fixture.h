#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "VaComm.h"
#include "support/pty_config_home.h"
#include "support/pty_pair.h"

namespace test_support {

// The port as the plug-in window sets it up, with COM1 linked to a fresh pseudo-terminal.
inline void ConfigureLikeVaComm1(TVaComm& comm) {
    comm.SetBaudrate(br2400);
    comm.SetPortNum(1);
    comm.SetDeviceName("COM%d");
    comm.SetMonitorEvents({ceRxChar, ceTxEmpty});
    comm.SetEventPriority(tpHigher);
    comm.SetDirectWrite(true);
}

class PtyPortTest : public testing::Test {
protected:
    PtyPortTest() {
        home.linkPort(1, pty->slavePath());
        ConfigureLikeVaComm1(comm);
    }

    // A new far end, linked as COM1, for tests that lose the first one.
    void replacePty() {
        pty = std::make_unique<PtyPair>();
        home.linkPort(1, pty->slavePath());
    }

    PtyConfigHome home;
    std::unique_ptr<PtyPair> pty = std::make_unique<PtyPair>();
    TVaComm comm;
};

}  // namespace test_support
