# The TCP client against real sockets on 127.0.0.1, with servers the tests run in-process. Most
# sources serve Windows too (see win32/SimpleTCP.cmake); linux/ holds what is Linux's own.
add_executable(simple_tcp_tests
    ${CMAKE_CURRENT_LIST_DIR}/simple_tcp_test_main.cpp
    ${CMAKE_CURRENT_LIST_DIR}/simple_tcp_test_client.h
    ${CMAKE_CURRENT_LIST_DIR}/simple_tcp_test_errors.cpp
    ${CMAKE_CURRENT_LIST_DIR}/simple_tcp_test_rules.cpp
    ${CMAKE_CURRENT_LIST_DIR}/simple_tcp_test_connect.cpp
    ${CMAKE_CURRENT_LIST_DIR}/simple_tcp_test_transfer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/simple_tcp_test_lifecycle.cpp
    ${CMAKE_CURRENT_LIST_DIR}/simple_tcp_test_stream.cpp
    ${CMAKE_CURRENT_LIST_DIR}/simple_tcp_test_handlers.cpp
    ${CMAKE_CURRENT_LIST_DIR}/linux/link_test_platform.h
    ${CMAKE_CURRENT_LIST_DIR}/linux/simple_tcp_linux_test_connect.cpp
    ${CMAKE_CURRENT_LIST_DIR}/linux/simple_tcp_linux_test_stream.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../support/tcp_test_server.h
    ${CMAKE_CURRENT_LIST_DIR}/../support/tcp_test_server.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../support/tcp_event_recorder.h
    ${CMAKE_CURRENT_LIST_DIR}/../support/tcp_event_recorder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../support/tcp_connection.h
    ${CMAKE_CURRENT_LIST_DIR}/../support/fake_name_resolver.h
)
# The folder of this platform's link_test_platform.h; Windows has its own.
target_include_directories(simple_tcp_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/linux
                           ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(simple_tcp_tests PRIVATE tolvane_links Qt6::Core GTest::gtest GTest::gmock)
gtest_discover_tests(simple_tcp_tests DISCOVERY_MODE PRE_TEST NO_PRETTY_VALUES)
