#include <gtest/gtest.h>

#include <cerrno>
#include <ostream>
#include <string>

#include "SimpleTCPErrors.h"

namespace {

struct ErrnoCase {
    int errnoValue;
    int code;
    std::string text;
};

void PrintTo(const ErrnoCase& row, std::ostream* out) {
    *out << "errno " << row.errnoValue << " -> " << row.code << " \"" << row.text << '"';
}

class SimpleTCPErrorText : public ::testing::TestWithParam<ErrnoCase> {};

TEST_P(SimpleTCPErrorText, ReportsPlatformErrorsUnderTheRowOfTheSameName) {
    const ErrnoCase& row = GetParam();
    EXPECT_EQ(WinSockCodeFromErrno(row.errnoValue), row.code);
    EXPECT_EQ(SocketErrorText(row.code), row.text);
}

// Linux numbers these errors differently from the socket layer, so each must go by its name.
INSTANTIATE_TEST_SUITE_P(
    Rows, SimpleTCPErrorText,
    ::testing::Values(
        ErrnoCase{EINTR, 10004, "Interrupted system call"},
        ErrnoCase{EBADF, 10009, "Bad file number"}, ErrnoCase{EFAULT, 10014, "Bad address"},
        ErrnoCase{EAGAIN, 10035, "Operation would block"}, ErrnoCase{EPIPE, 10032, "Broken pipe"},
        ErrnoCase{EINPROGRESS, 10036, "Operation now in progress"},
        ErrnoCase{ENOTSOCK, 10038, "Socket operation on non-socket"},
        ErrnoCase{EAFNOSUPPORT, 10047, "Address family not supported by protocol family"},
        ErrnoCase{EADDRNOTAVAIL, 10049, "Can't assign requested address"},
        ErrnoCase{ENETUNREACH, 10051, "Network is unreachable"},
        ErrnoCase{ECONNABORTED, 10053, "Software caused connection abort"},
        ErrnoCase{ECONNRESET, 10054, "Connection reset by peer"},
        ErrnoCase{ENOBUFS, 10055, "No buffer space available"},
        ErrnoCase{ENOTCONN, 10057, "Socket is not connected"},
        ErrnoCase{ESHUTDOWN, 10058, "Can't send after socket shutdown"},
        ErrnoCase{ETIMEDOUT, 10060, "Connection timed out"},
        ErrnoCase{ECONNREFUSED, 10061, "Connection refused"},
        ErrnoCase{EHOSTUNREACH, 10065, "No route to host"},
        ErrnoCase{EREMOTE, 10071, "Too many levels of remote in path"}),
    [](const ::testing::TestParamInfo<ErrnoCase>& testCase) {
        return std::to_string(testCase.param.code);
    });

TEST(SimpleTCPErrorText, KnowsRowsWithoutAPlatformError) {
    EXPECT_EQ(SocketErrorText(10067), "Too many processes");
    EXPECT_EQ(SocketErrorText(10093), "WinSock not initialized");
    EXPECT_EQ(SocketErrorText(11001), "Host not found");
    EXPECT_EQ(SocketErrorText(11004), "No Data");
}

TEST(SimpleTCPErrorText, UnknownCodesAreNotWinSockErrors) {
    for (int code : {0, -1, 10000, 10001, 10072, 11005, kUnlistedErrnoBase, 65535}) {
        EXPECT_EQ(SocketErrorText(code), "Not a WinSock error ?") << code;
    }
}

TEST(SimpleTCPErrorText, UnlistedPlatformErrorStillCountsAsAnErrorWithItsErrnoKept) {
    const int code = WinSockCodeFromErrno(EIO);
    EXPECT_GT(code, 10000);
    EXPECT_EQ(code - kUnlistedErrnoBase, EIO);
    EXPECT_EQ(WinSockCodeFromErrno(0), 0);
}

TEST(SimpleTCPErrorText, UnlistedPlatformErrorCarriesTheSystemsText) {
    EXPECT_EQ(SocketErrorText(WinSockCodeFromErrno(EIO)), "Input/output error");
    EXPECT_EQ(SocketErrorText(WinSockCodeFromErrno(ENOMEM)), "Cannot allocate memory");
}

}  // namespace
