// The TCP link's rules that are the same on every platform; this file is compiled into the
// link's tests on Linux and on Windows alike.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include "SimpleTCPErrors.h"
#include "SimpleTCPRules.h"

namespace {

struct Row {
    int code;
    const char* text;
};

// Every row of the table, each under the WinSock number that both platforms report it with.
constexpr Row kRows[] = {
    {10004, "Interrupted system call"},
    {10009, "Bad file number"},
    {10013, "Permission denied"},
    {10014, "Bad address"},
    {10022, "Invalid argument"},
    {10024, "Too many open files"},
    {10035, "Operation would block"},
    {10036, "Operation now in progress"},
    {10037, "Operation already in progress"},
    {10038, "Socket operation on non-socket"},
    {10039, "Destination address required"},
    {10040, "Message too long"},
    {10041, "Protocol wrong type for socket"},
    {10042, "Protocol not available"},
    {10043, "Protocol not supported"},
    {10044, "Socket type not supported"},
    {10045, "Operation not supported on socket"},
    {10046, "Protocol family not supported"},
    {10047, "Address family not supported by protocol family"},
    {10048, "Address already in use"},
    {10049, "Can't assign requested address"},
    {10050, "Network is down"},
    {10051, "Network is unreachable"},
    {10052, "Network dropped connection on reset"},
    {10053, "Software caused connection abort"},
    {10054, "Connection reset by peer"},
    {10055, "No buffer space available"},
    {10056, "Socket is already connected"},
    {10057, "Socket is not connected"},
    {10058, "Can't send after socket shutdown"},
    {10059, "Too many references: can't splice"},
    {10060, "Connection timed out"},
    {10061, "Connection refused"},
    {10062, "Too many levels of symbolic links"},
    {10063, "File name too long"},
    {10064, "Host is down"},
    {10065, "No route to host"},
    {10066, "Directory not empty"},
    {10067, "Too many processes"},
    {10068, "Too many users"},
    {10069, "Disk quota exceeded"},
    {10070, "Stale NFS file handle"},
    {10071, "Too many levels of remote in path"},
    {10091, "Network sub-system is unusable"},
    {10092, "WinSock DLL cannot support this application"},
    {10093, "WinSock not initialized"},
    {11001, "Host not found"},
    {11002, "Non-authoritative host not found"},
    {11003, "Non-recoverable error"},
    {11004, "No Data"},
};

TEST(SimpleTCPErrorTable, GivesEveryRowItsTextOnEveryPlatform) {
    for (const Row& row : kRows) {
        EXPECT_EQ(SocketErrorText(row.code), row.text) << row.code;
    }
}

TEST(SimpleTCPErrorTable, CodesBetweenTheRowsAreNotWinSockErrors) {
    for (int code : {0, -1, 10000, 10001, 10005, 10072, 10090, 10094, 11000, 11005}) {
        EXPECT_EQ(SocketErrorText(code), "Not a WinSock error ?") << code;
    }
    EXPECT_EQ(kWsaEFault, 10014);
}

uint32_t networkOrder(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    const std::array<uint8_t, 4> bytes = {a, b, c, d};
    uint32_t address = 0;
    std::memcpy(&address, bytes.data(), sizeof address);
    return address;
}

struct HostCase {
    std::string text;
    simple_tcp::HostText::Kind kind;
    uint32_t address;
};

// The dotted forms the system's own parser takes, and the texts of digits and dots it refuses,
// decided here without any platform call so that both platforms decide alike.
TEST(SimpleTCPHostText, ClassifiesTheDottedFormsAlikeOnEveryPlatform) {
    using Kind = simple_tcp::HostText::Kind;
    const HostCase cases[] = {{"127.0.0.1", Kind::Address, networkOrder(127, 0, 0, 1)},
                              {"127.1", Kind::Address, networkOrder(127, 0, 0, 1)},
                              {"10.1.2", Kind::Address, networkOrder(10, 1, 0, 2)},
                              {"2130706433", Kind::Address, networkOrder(127, 0, 0, 1)},
                              {"0x7f.0.0.01", Kind::Address, networkOrder(127, 0, 0, 1)},
                              {"0177.0.0.1", Kind::Address, networkOrder(127, 0, 0, 1)},
                              {"127.0.0.1 trailing", Kind::Address, networkOrder(127, 0, 0, 1)},
                              {"255.255.255.255", Kind::Address, networkOrder(255, 255, 255, 255)},
                              {"127.0.65535", Kind::Address, networkOrder(127, 0, 255, 255)},
                              {"127.0.65536", Kind::Invalid, 0},
                              {"256.0.0.1", Kind::Invalid, 0},
                              {"4294967296", Kind::Invalid, 0},
                              {"99999999999999999999", Kind::Invalid, 0},
                              {"08.0.0.1", Kind::Invalid, 0},
                              {"999.999.999.999", Kind::Invalid, 0},
                              {"1.2.3.4.5", Kind::Invalid, 0},
                              {"1..2", Kind::Invalid, 0},
                              {"", Kind::Invalid, 0},
                              {std::string("127.0.0.1\0.example", 18), Kind::Invalid, 0},
                              {"0x", Kind::Name, 0},
                              {"1.2.3.", Kind::Name, 0},
                              {" 127.0.0.1", Kind::Name, 0},
                              {"10.example", Kind::Name, 0},
                              {"localhost", Kind::Name, 0}};
    for (const HostCase& row : cases) {
        const simple_tcp::HostText host = simple_tcp::classifyHost(row.text);
        EXPECT_EQ(host.kind, row.kind) << row.text;
        EXPECT_EQ(host.address, row.address) << row.text;
    }
}

TEST(SimpleTCPTimerPeriod, RunsIntervalsTheTimerCannotRunAtTheirNearestPeriod) {
    const std::pair<int32_t, int> cases[] = {{0, 10},
                                             {7, 10},
                                             {10, 10},
                                             {250, 250},
                                             {-1, INT_MAX},
                                             {INT32_MIN, INT_MAX},
                                             {2147480000, 2147480000}};
    for (const auto& [interval, period] : cases) {
        EXPECT_EQ(simple_tcp::TimerPeriod(interval), period) << interval;
    }
}

TEST(SimpleTCPUnsentBytes, KeepsUpToTheBoundInOrderAndRefusesWholeBeyondIt) {
    simple_tcp::UnsentBytes unsent;
    const std::string most(simple_tcp::kMaxUnsentBytes - 2, 'G');
    ASSERT_TRUE(unsent.Keep(most.data(), most.size()));
    EXPECT_FALSE(unsent.Keep("abc", 3)) << "three bytes would pass the bound";
    EXPECT_EQ(unsent.size(), most.size()) << "a refused text is not kept in part";
    ASSERT_TRUE(unsent.Keep("\r\n", 2));
    EXPECT_EQ(unsent.size(), static_cast<size_t>(simple_tcp::kMaxUnsentBytes));
    unsent.Drop(most.size());
    EXPECT_EQ(std::string(unsent.data(), unsent.size()), "\r\n");
    unsent.Drop(10);
    EXPECT_TRUE(unsent.empty());
}

}  // namespace
