#pragma once

// What the TCP link's tests that both platforms share ask of Windows: the recorder, the servers
// and the message loop of the Win32 build, and the socket calls the tests make themselves. Linux
// has a header of the same name with the same names in it.
#include "support/win32_socket_probe.h"

#include <chrono>
#include <string>

#include "support/tcp_connection.h"
#include "support/win32_tcp_event_recorder.h"
#include "support/win32_tcp_test_server.h"

namespace link_test {

// A text the link hands its owner (OnException's message), as bytes in a std::string.
inline const std::string& textOf(const std::string& text) {
    return text;
}

// What the recorder read, as bytes in a std::string.
inline const std::string& bytesOf(const std::string& bytes) {
    return bytes;
}

inline int waitingAt(int socket) {
    return test_support::waitingAt(socket);
}

inline int setSocketOption(uintptr_t socket, int level, int option, int value) {
    return test_support::setSocketOption(socket, level, option, value);
}

// One byte of urgent data; returns what send returned.
inline int sendUrgent(uintptr_t socket, char byte) {
    return ::send(static_cast<SOCKET>(socket), &byte, 1, MSG_OOB);
}

inline std::chrono::milliseconds threadCpuTime() {
    return test_support::threadCpuTime();
}

// Whether the platform under the test hands the link a peer's reset as an orderly close, and why.
inline bool resetArrivesAsClose() {
    return test_support::runningUnderWine();
}
inline constexpr const char* kResetArrivesAsClose = test_support::kWineReportsResetAsClose;

// Windows has no SIGPIPE to raise; what remains to check is the report.
inline void expectSigpipeHandlingUntouched() {}

}  // namespace link_test
