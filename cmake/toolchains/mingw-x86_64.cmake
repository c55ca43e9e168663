# 64-bit Windows: the build whose test programs run under wine64.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOLVANE_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# CTest and gtest_discover_tests start every test program through this wrapper.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine64-run.sh)
