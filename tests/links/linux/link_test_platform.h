#pragma once

// What the TCP link's tests that both platforms share ask of Linux: the recorder, the servers
// and the event loop of the Qt build, and the socket calls the tests make themselves. Windows has
// a header of the same name with the same names in it.
#include <QByteArray>
#include <QString>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <chrono>
#include <csignal>
#include <ctime>
#include <string>

#include "support/tcp_connection.h"
#include "support/tcp_event_recorder.h"
#include "support/tcp_test_server.h"

namespace link_test {

// A text the link hands its owner (OnException's message), as UTF-8 in a std::string.
inline std::string textOf(const QString& text) {
    return text.toStdString();
}

// What the recorder read, as bytes in a std::string.
inline std::string bytesOf(const QByteArray& bytes) {
    return bytes.toStdString();
}

// Bytes waiting to be read at a socket, or -1.
inline int waitingAt(int socket) {
    int count = 0;
    return ::ioctl(socket, FIONREAD, &count) == 0 ? count : -1;
}

inline int setSocketOption(int socket, int level, int option, int value) {
    return ::setsockopt(socket, level, option, &value, sizeof value);
}

// One byte of urgent data; returns what send returned.
inline int sendUrgent(int socket, char byte) {
    return static_cast<int>(::send(socket, &byte, 1, MSG_OOB));
}

// Processor time the calling thread has used so far.
inline std::chrono::milliseconds threadCpuTime() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return std::chrono::milliseconds(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

// Whether the platform under the test hands the link a peer's reset as an orderly close, and why.
inline bool resetArrivesAsClose() {
    return false;
}
inline constexpr const char* kResetArrivesAsClose = "";

// The link never changes the process's handling of a broken pipe: it sends without the signal.
inline void expectSigpipeHandlingUntouched() {
    struct sigaction current {};
    ::sigaction(SIGPIPE, nullptr, &current);
    EXPECT_EQ(current.sa_handler, SIG_DFL) << "the process's SIGPIPE handling must stay as it was";
}

}  // namespace link_test
