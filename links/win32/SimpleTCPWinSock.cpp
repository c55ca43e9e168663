#include "SimpleTCPWinSock.h"

#include <winsock2.h>

namespace simple_tcp {

namespace {

// Version 2.2: the host-name lookup uses getaddrinfo, a call of WinSock 2; every Windows this
// code runs on has it.
class WinSockSession {
public:
    WinSockSession() noexcept {
        WSADATA data{};
        m_started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    ~WinSockSession() {
        if (m_started) {
            WSACleanup();
        }
    }
    WinSockSession(const WinSockSession&) = delete;
    WinSockSession& operator=(const WinSockSession&) = delete;

private:
    bool m_started = false;
};

}  // namespace

void EnsureWinSock() noexcept {
    // A function-local static rather than a global object: it starts at the first component,
    // not inside the loader's lock while the module is attached, and its destructor runs from
    // the module's own exit list when that module goes.
    static const WinSockSession session;
}

}  // namespace simple_tcp
