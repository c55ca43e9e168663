# The Windows test programs, run under wine64 (CMAKE_CROSSCOMPILING_EMULATOR). Each is
# discovered only where an emulator can run it; the 32-bit build is compiled and linked.

# Runs the message loop of a test's thread, for links whose notifications come as messages.
add_library(tolvane_win32_test_support STATIC
    ${CMAKE_CURRENT_SOURCE_DIR}/support/win32_message_pump.h
    ${CMAKE_CURRENT_SOURCE_DIR}/support/win32_message_pump.cpp
)
target_include_directories(tolvane_win32_test_support PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(tolvane_win32_test_support PUBLIC user32)

# Keeps Wine's desktop up for a whole run of the tests (scripts/test.sh starts it before CTest).
add_executable(wine_desktop_keeper ${CMAKE_CURRENT_SOURCE_DIR}/support/win32_desktop_keeper.cpp)
target_link_libraries(wine_desktop_keeper PRIVATE user32)

function(tolvane_discover_windows_tests target)
    if(CMAKE_CROSSCOMPILING_EMULATOR)
        gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST NO_PRETTY_VALUES ${ARGN})
    endif()
endfunction()

# The settings store: kovadex.dll through its import library, its portable tests and the
# Windows ones.
add_executable(kovadex_tests
    ${CMAKE_CURRENT_SOURCE_DIR}/core/kovadex_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/core/kovadex_win32_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/core/workspace_format_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/support/temp_folder_win32.cpp
)
target_include_directories(kovadex_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(kovadex_tests PRIVATE kovadex_import kovadex_files GTest::gtest_main
                      GTest::gmock)
tolvane_discover_windows_tests(kovadex_tests)

# Link unit tests: each unit lists its own in links/win32/<Unit>.cmake.
foreach(unit IN LISTS TOLVANE_LINK_UNITS)
    include(${CMAKE_CURRENT_SOURCE_DIR}/links/win32/${unit}.cmake)
endforeach()

# The window's toolkit layer on Win32: the window, its controls by name, and the adapters.
add_executable(tolvane_window_win32_tests
    ${CMAKE_CURRENT_SOURCE_DIR}/plugin/win32/win32_controls_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/plugin/win32/win32_window_test.cpp
)
target_link_libraries(tolvane_window_win32_tests PRIVATE tolvane_window_win32
                      tolvane_win32_test_support GTest::gtest_main)
tolvane_discover_windows_tests(tolvane_window_win32_tests)

# Renders the Win32 window's tabs for the README (not a test).
add_executable(tolvane_window_win32_snapshot
    ${CMAKE_CURRENT_SOURCE_DIR}/plugin/win32/win32_window_snapshot.cpp)
target_link_libraries(tolvane_window_win32_snapshot PRIVATE tolvane_window_win32)
add_dependencies(tolvane_window_win32_snapshot tolvane kovadex)

# tolvane.dll as a host loads it, beside kovadex.dll, through its four exports and its controls
# found by name.
add_executable(tolvane_dll_tests ${CMAKE_CURRENT_SOURCE_DIR}/plugin/win32/tolvane_dll_test.cpp
                                 ${CMAKE_CURRENT_SOURCE_DIR}/support/win32_tcp_test_server.cpp
                                 ${CMAKE_CURRENT_SOURCE_DIR}/support/win32_pty_far_end.cpp)
target_include_directories(tolvane_dll_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(tolvane_dll_tests PRIVATE tolvane_window_win32 tolvane_win32_test_support
                      GTest::gtest_main ws2_32 comctl32)
add_dependencies(tolvane_dll_tests tolvane kovadex)
tolvane_discover_windows_tests(tolvane_dll_tests)

# tolvane-host.exe in processes of its own, beside tolvane.dll and kovadex.dll.
add_executable(tolvane_host_win32_tests
    ${CMAKE_CURRENT_SOURCE_DIR}/plugin/win32/host_program_win32_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/support/temp_folder_win32.cpp
)
target_include_directories(tolvane_host_win32_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(tolvane_host_win32_tests PRIVATE GTest::gtest_main GTest::gmock)
add_dependencies(tolvane_host_win32_tests tolvane-host tolvane kovadex)
tolvane_discover_windows_tests(tolvane_host_win32_tests)

include(${CMAKE_CURRENT_SOURCE_DIR}/plugin/blackbox/blackbox.cmake)

# The tests that need a COM port run under the pseudo-terminal harness (without it they skip),
# each in a process of its own: under Wine a process cannot load the plug-in a third time once
# two earlier loads opened a COM port.
if(CMAKE_CROSSCOMPILING_EMULATOR)
    foreach(serial_test FreeLibraryWithThePortOpenReturnsAndReloadsTwice
                        DisconnectThenFreeLibraryLeavesNoThread)
        add_test(NAME tolvane_dll_serial.${serial_test}
                 COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/links/win32/vacomm_pty_harness.sh
                         ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:tolvane_dll_tests>
                         --gtest_filter=TolvaneDllSerial.${serial_test})
        set_tests_properties(tolvane_dll_serial.${serial_test} PROPERTIES TIMEOUT 300)
    endforeach()
endif()

