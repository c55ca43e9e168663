#pragma once

#include <winsock2.h>

#include <chrono>
#include <string>

namespace test_support {

// The device end of the pseudo-terminal that the test harness links into the Wine prefix as
// COM<TOLVANE_PTY_COM>, reached over a loopback connection to TOLVANE_PTY_PORT: what it
// receives is what the port wrote, what it sends the port reads. Not reading stalls the line;
// HangUp closes the pseudo-terminal's far end, after which the harness puts a new one in its
// place, which Connect reaches.
class PtyFarEnd {
public:
    PtyFarEnd();
    ~PtyFarEnd();
    PtyFarEnd(const PtyFarEnd&) = delete;
    PtyFarEnd& operator=(const PtyFarEnd&) = delete;

    // Whether the harness is there (the environment names a COM port and a TCP port).
    [[nodiscard]] static bool Available();
    [[nodiscard]] static int ComNumber();

    // Connects to the current pseudo-terminal; true once connected.
    bool Connect(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    void Send(const std::string& bytes);
    // Everything that arrives until nothing more has come for quiet.
    std::string ReceiveUntilQuiet(std::chrono::milliseconds quiet = std::chrono::milliseconds(300));
    // Closes the far end: the line hangs up once the harness has let the pseudo-terminal go.
    void HangUp();

private:
    SOCKET m_socket = INVALID_SOCKET;
};

}  // namespace test_support
