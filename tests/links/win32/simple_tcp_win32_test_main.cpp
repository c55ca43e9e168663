#include <winsock2.h>

#include <gtest/gtest.h>

// The tests' own servers use WinSock on this thread, whose message loop the links need too.
int main(int argc, char** argv) {
    WSADATA data{};
    WSAStartup(MAKEWORD(2, 2), &data);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    WSACleanup();
    return result;
}
