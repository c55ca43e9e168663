# The plug-in's black-box suite: one source for tolvane.so (Qt) and tolvane.dll (Win32), each
# driven through its four exports and its controls found by name (tests/support/plugin_driver.h).
# Included by tests/CMakeLists.txt and tests/windows.cmake.
set(tolvane_blackbox_dir ${CMAKE_CURRENT_LIST_DIR})
set(tolvane_support_dir ${CMAKE_CURRENT_LIST_DIR}/../../support)

if(WIN32)
    add_library(tolvane_plugin_driver STATIC
        ${tolvane_support_dir}/plugin_driver_win32.cpp
        ${tolvane_support_dir}/win32_tcp_test_server.cpp)
    target_link_libraries(tolvane_plugin_driver PUBLIC tolvane_window_win32
                          tolvane_win32_test_support kovadex_import GTest::gtest ws2_32 comctl32)
    set(tolvane_blackbox_main GTest::gtest_main)
    set(tolvane_blackbox_main_source "")
else()
    add_library(tolvane_plugin_driver STATIC
        ${tolvane_support_dir}/plugin_driver_qt.cpp
        ${tolvane_support_dir}/tcp_test_server.cpp)
    target_link_libraries(tolvane_plugin_driver PUBLIC tolvane_host_support tolvane_links kovadex
                          Qt6::Widgets GTest::gtest)
    target_compile_definitions(tolvane_plugin_driver PRIVATE
        TOLVANE_PLUGIN_PATH="$<TARGET_FILE:tolvane>")
    set(tolvane_blackbox_main "")
    set(tolvane_blackbox_main_source ${tolvane_support_dir}/qt_test_main.cpp)
endif()
target_sources(tolvane_plugin_driver PRIVATE
    ${tolvane_support_dir}/plugin_driver.h
    ${tolvane_support_dir}/plugin_driver.cpp
    ${tolvane_support_dir}/loopback_encoder.h
    ${tolvane_support_dir}/loopback_encoder.cpp)
target_include_directories(tolvane_plugin_driver PUBLIC ${tolvane_support_dir}/..
                           ${PROJECT_SOURCE_DIR})
add_dependencies(tolvane_plugin_driver tolvane kovadex)

add_executable(plugin_blackbox_tests
    ${tolvane_blackbox_dir}/blackbox_fixture.h
    ${tolvane_blackbox_dir}/commands_test.cpp
    ${tolvane_blackbox_dir}/connection_test.cpp
    ${tolvane_blackbox_dir}/host_commands_test.cpp
    ${tolvane_blackbox_dir}/pacing_test.cpp
    ${tolvane_blackbox_dir}/replies_test.cpp
    ${tolvane_blackbox_dir}/workspace_test.cpp
    ${tolvane_blackbox_main_source}
)
target_link_libraries(plugin_blackbox_tests PRIVATE tolvane_plugin_driver GTest::gmock
                      ${tolvane_blackbox_main})
if(WIN32)
    tolvane_discover_windows_tests(plugin_blackbox_tests)
else()
    gtest_discover_tests(plugin_blackbox_tests DISCOVERY_MODE PRE_TEST NO_PRETTY_VALUES
                         PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endif()

# Groups per second per send mode and the event loop's longest wait while sending, printed as
# a table for both builds (a measurement, not a test).
add_executable(pacing_probe ${PROJECT_SOURCE_DIR}/bench/pacing_probe.cpp)
target_link_libraries(pacing_probe PRIVATE tolvane_plugin_driver)
