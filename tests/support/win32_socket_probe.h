#pragma once

// What the Windows TCP tests ask of sockets and threads directly. WinSock's header comes first,
// before the windows.h that the link's header brings.
#include <winsock2.h>

#include <windows.h>

#include <chrono>

namespace test_support {

// Bytes waiting to be read at a socket, or -1.
inline int waitingAt(int socket) {
    u_long count = 0;
    return ::ioctlsocket(static_cast<SOCKET>(socket), FIONREAD, &count) == 0
               ? static_cast<int>(count)
               : -1;
}

inline int setSocketOption(uintptr_t socket, int level, int option, int value) {
    return ::setsockopt(static_cast<SOCKET>(socket), level, option,
                        reinterpret_cast<const char*>(&value), sizeof value);
}

// Processor time the calling thread has used so far, kernel and user.
inline std::chrono::milliseconds threadCpuTime() {
    FILETIME created{}, ended{}, kernel{}, user{};
    GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user);
    const auto ticks = [](const FILETIME& time) {
        return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return std::chrono::milliseconds((ticks(kernel) + ticks(user)) / 10000);
}

// Whether a handle that the link held is still an open socket.
inline bool isOpenSocket(int socket) {
    int type = 0;
    int length = sizeof type;
    return ::getsockopt(static_cast<SOCKET>(socket), SOL_SOCKET, SO_TYPE,
                        reinterpret_cast<char*>(&type), &length) == 0;
}

// Wine gives its own version through ntdll; Windows has no such export.
inline bool runningUnderWine() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Wine 8 reports a peer's reset as an orderly close: FD_CLOSE with no error, and receives then
// give end of stream, so the reset's 10054 never reaches the link.
inline constexpr const char* kWineReportsResetAsClose =
    "Wine reports a peer's reset as an orderly close (FD_CLOSE with 0, then end of stream)";

}  // namespace test_support
