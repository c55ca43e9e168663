#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "host/settings/kovadex.h"
#include "support/loopback_encoder.h"
#include "support/plugin_driver.h"

namespace blackbox {

// The encoder's acknowledgement of one command.
inline const std::string kAcknowledgement = "\r\n+\r\n\r\n";

// The "RDS Encoder" tab's choices for a TCP encoder on 127.0.0.1.
struct EncoderChoice {
    bool bidirectional = false;
    bool limit = false;
    bool keepPI = false;
    bool keepPTY = true;
    bool keepTP = true;
    int speedIndex = 2;  // "4800 bps"
};

// The plug-in loaded and initialised for each test, and unloaded after it.
class BlackBox : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(driver.Load()) << driver.LoadError();
        ASSERT_TRUE(driver.Initialize());
    }
    void TearDown() override { driver.Unload(); }

    // A workspace handle no other test of this process has used: the settings store keeps
    // every workspace for the whole run.
    static int32_t FreshWorkspace() {
        static int32_t next = 1000;
        return next++;
    }

    // Fills the encoder tab, presses Connect / Update and waits for the connection.
    bool Connect(LoopbackEncoder& encoder, const EncoderChoice& choice = {}) const {
        driver.SelectItem("RGCON", 1);
        driver.SelectItem("RGSPEED", choice.speedIndex);
        driver.SetText("EHOST", "127.0.0.1");
        driver.SetText("EPORT", std::to_string(encoder.Port()));
        driver.SetTicked("CBBIDI", choice.bidirectional);
        driver.SetTicked("CBLIMIT", choice.limit);
        driver.SetTicked("CBKEEPPI", choice.keepPI);
        driver.SetTicked("CBKEEPPTY", choice.keepPTY);
        driver.SetTicked("CBKEEPTP", choice.keepTP);
        driver.Click("BUPDATE");
        return encoder.Accept() && WaitForStatus(ConnectedText(encoder));
    }
    static std::string ConnectedText(const LoopbackEncoder& encoder) {
        return "Connected to 127.0.0.1:" + std::to_string(encoder.Port());
    }
    bool WaitForStatus(const std::string& text,
                       std::chrono::milliseconds limit = std::chrono::seconds(5)) const {
        return PumpUntil([&] { return driver.Text("StatusBar1") == text; }, limit);
    }
    void TickEveryGroupType(bool ticked) const {
        for (int item = 0; item < 32; ++item) {
            driver.TickGroup(item, ticked);
        }
    }

    PluginDriver driver;
};

}  // namespace blackbox
