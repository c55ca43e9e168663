# The VaComm unit's tests on Win32. A Windows program cannot make the pseudo-terminal that plays
# its COM port, so the program runs under vacomm_pty_harness.sh, which makes one with socat and
# links it into the Wine prefix.
add_executable(vacomm_win32_tests
    ${CMAKE_CURRENT_LIST_DIR}/vacomm_win32_fixture.h
    ${CMAKE_CURRENT_LIST_DIR}/vacomm_win32_test_port.cpp
    ${CMAKE_CURRENT_LIST_DIR}/vacomm_win32_test_events.cpp
    ${CMAKE_CURRENT_LIST_DIR}/vacomm_win32_test_stall.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../vacomm_test_rules.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../vacomm_test_settings.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../../support/win32_pty_far_end.h
    ${CMAKE_CURRENT_LIST_DIR}/../../support/win32_pty_far_end.cpp
)
target_include_directories(vacomm_win32_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../..)
target_link_libraries(vacomm_win32_tests PRIVATE tolvane_links tolvane_win32_test_support
                      GTest::gtest_main ws2_32)
# One CTest test for the whole program: each Wine process that opens a COM port and makes a
# window first waits about ten seconds for Wine's device and desktop services, so the program
# pays that once rather than once for each of its tests.
if(CMAKE_CROSSCOMPILING_EMULATOR)
    add_test(NAME vacomm_win32_tests
             COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/vacomm_pty_harness.sh
                     ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:vacomm_win32_tests>)
    set_tests_properties(vacomm_win32_tests PROPERTIES TIMEOUT 600)
endif()
