# The TCP client on WinSock against real sockets on 127.0.0.1, with servers the tests run
# in-process. The tests in ../ are the same sources as on Linux, with link_test_platform.h from
# this folder; the ones here are Windows' own.
add_executable(simple_tcp_win32_tests
    ${CMAKE_CURRENT_LIST_DIR}/simple_tcp_win32_test_main.cpp
    ${CMAKE_CURRENT_LIST_DIR}/simple_tcp_win32_test_connect.cpp
    ${CMAKE_CURRENT_LIST_DIR}/simple_tcp_win32_test_lifecycle.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../simple_tcp_test_client.h
    ${CMAKE_CURRENT_LIST_DIR}/../simple_tcp_test_rules.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../simple_tcp_test_connect.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../simple_tcp_test_handlers.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../simple_tcp_test_stream.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../simple_tcp_test_transfer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/link_test_platform.h
    ${CMAKE_CURRENT_LIST_DIR}/../../support/fake_name_resolver.h
    ${CMAKE_CURRENT_LIST_DIR}/../../support/win32_socket_probe.h
    ${CMAKE_CURRENT_LIST_DIR}/../../support/tcp_connection.h
    ${CMAKE_CURRENT_LIST_DIR}/../../support/win32_tcp_event_recorder.h
    ${CMAKE_CURRENT_LIST_DIR}/../../support/win32_tcp_event_recorder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../../support/win32_tcp_test_server.h
    ${CMAKE_CURRENT_LIST_DIR}/../../support/win32_tcp_test_server.cpp
)
# The folder of this platform's link_test_platform.h comes first, before the tests' root.
target_include_directories(simple_tcp_win32_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}
                           ${CMAKE_CURRENT_LIST_DIR}/../..)
target_link_libraries(simple_tcp_win32_tests PRIVATE tolvane_links tolvane_win32_test_support
                      ws2_32 GTest::gtest GTest::gmock)
tolvane_discover_windows_tests(simple_tcp_win32_tests)

# Loaded and unloaded by the tests while its lookups run. Beside the test program, so that the
# loader finds it there.
add_library(simple_tcp_resolver_module SHARED
    ${CMAKE_CURRENT_LIST_DIR}/simple_tcp_win32_resolver_module.cpp
)
set_target_properties(simple_tcp_resolver_module PROPERTIES PREFIX "")
target_link_libraries(simple_tcp_resolver_module PRIVATE tolvane_links)
add_dependencies(simple_tcp_win32_tests simple_tcp_resolver_module)
