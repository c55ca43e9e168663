# The VaComm unit's tests on Win32. A Windows program cannot make the pseudo-terminal that plays
# its COM port, so the tests run under vacomm_pty_harness.sh, which makes one with socat and
# links it into the Wine prefix; the harness is the program's emulator, for CTest's discovery
# and for each test.
add_executable(vacomm_win32_tests
    ${CMAKE_CURRENT_LIST_DIR}/vacomm_win32_fixture.h
    ${CMAKE_CURRENT_LIST_DIR}/vacomm_win32_test_port.cpp
    ${CMAKE_CURRENT_LIST_DIR}/vacomm_win32_test_events.cpp
    ${CMAKE_CURRENT_LIST_DIR}/vacomm_win32_test_stall.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../vacomm_test_rules.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../../support/win32_pty_far_end.h
    ${CMAKE_CURRENT_LIST_DIR}/../../support/win32_pty_far_end.cpp
)
target_include_directories(vacomm_win32_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../..)
target_link_libraries(vacomm_win32_tests PRIVATE tolvane_links tolvane_win32_test_support
                      GTest::gtest_main ws2_32)
if(CMAKE_CROSSCOMPILING_EMULATOR)
    set_target_properties(vacomm_win32_tests PROPERTIES CROSSCOMPILING_EMULATOR
        "bash;${CMAKE_CURRENT_LIST_DIR}/vacomm_pty_harness.sh;${CMAKE_CROSSCOMPILING_EMULATOR}")
endif()
tolvane_discover_windows_tests(vacomm_win32_tests PROPERTIES TIMEOUT 120)
