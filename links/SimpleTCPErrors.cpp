#include "SimpleTCPErrors.h"

#include <cerrno>
#include <cstring>
#include <string_view>

#include "LinkCommon.h"
#include "SimpleTCPErrorTable.h"

namespace {

// The row of the socket error table that stands for each errno value of the same POSIX name.
struct ErrnoRow {
    int errnoValue;
    int code;
};

constexpr ErrnoRow kErrnoRows[] = {
    {EINTR, 10004},           {EBADF, 10009},           {EACCES, 10013},
    {EFAULT, 10014},          {EINVAL, 10022},          {EMFILE, 10024},
    {EPIPE, kWsaEPipe},       {EWOULDBLOCK, 10035},     {EINPROGRESS, 10036},
    {EALREADY, 10037},        {ENOTSOCK, 10038},        {EDESTADDRREQ, 10039},
    {EMSGSIZE, 10040},        {EPROTOTYPE, 10041},      {ENOPROTOOPT, 10042},
    {EPROTONOSUPPORT, 10043}, {ESOCKTNOSUPPORT, 10044}, {EOPNOTSUPP, 10045},
    {EPFNOSUPPORT, 10046},    {EAFNOSUPPORT, 10047},    {EADDRINUSE, 10048},
    {EADDRNOTAVAIL, 10049},   {ENETDOWN, 10050},        {ENETUNREACH, 10051},
    {ENETRESET, 10052},       {ECONNABORTED, 10053},    {ECONNRESET, 10054},
    {ENOBUFS, 10055},         {EISCONN, 10056},         {ENOTCONN, 10057},
    {ESHUTDOWN, 10058},       {ETOOMANYREFS, 10059},    {ETIMEDOUT, 10060},
    {ECONNREFUSED, 10061},    {ELOOP, 10062},           {ENAMETOOLONG, 10063},
    {EHOSTDOWN, 10064},       {EHOSTUNREACH, 10065},    {ENOTEMPTY, 10066},
    {EUSERS, 10068},          {EDQUOT, 10069},          {ESTALE, 10070},
    {EREMOTE, 10071},
};

// Not in the socket layer's own list; numbered by the same scheme (base + the BSD errno).
constexpr std::string_view kBrokenPipeText = "Broken pipe";

}  // namespace

int WinSockCodeFromErrno(int errnoValue) noexcept {
    if (errnoValue == 0) {
        return 0;
    }
    for (const ErrnoRow& row : kErrnoRows) {
        if (row.errnoValue == errnoValue) {
            return row.code;
        }
    }
    return kUnlistedErrnoBase + errnoValue;
}

std::string SocketErrorText(int errorCode) {
    if (errorCode == kWsaEPipe) {
        return std::string(kBrokenPipeText);
    }
    const std::string_view listed = simple_tcp::ListedSocketErrorText(errorCode);
    if (!listed.empty()) {
        return std::string(listed);
    }
    const int errnoValue = errorCode - kUnlistedErrnoBase;
    if (errnoValue > 0 && ::strerrorname_np(errnoValue) != nullptr) {
        return links::SystemErrorText(errnoValue);
    }
    return std::string(simple_tcp::kNotAWinSockErrorText);
}
