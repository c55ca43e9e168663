add_executable(vacomm_tests
    ${CMAKE_CURRENT_LIST_DIR}/vacomm_test_main.cpp
    ${CMAKE_CURRENT_LIST_DIR}/vacomm_test_settings.cpp
    ${CMAKE_CURRENT_LIST_DIR}/vacomm_test_device_map.cpp
    ${CMAKE_CURRENT_LIST_DIR}/vacomm_test_port.cpp
    ${CMAKE_CURRENT_LIST_DIR}/vacomm_test_events.cpp
    ${CMAKE_CURRENT_LIST_DIR}/vacomm_test_rules.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../support/pty_pair.h
    ${CMAKE_CURRENT_LIST_DIR}/../support/pty_pair.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../support/pty_config_home.h
    ${CMAKE_CURRENT_LIST_DIR}/../support/pty_port_fixture.h
    ${CMAKE_CURRENT_LIST_DIR}/../support/pty_config_home.cpp
)
target_include_directories(vacomm_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(vacomm_tests PRIVATE tolvane_links Qt6::Core GTest::gtest GTest::gmock util)
gtest_discover_tests(vacomm_tests DISCOVERY_MODE PRE_TEST NO_PRETTY_VALUES)
