# 32-bit Windows: the DLL that a 32-bit host loads. Its programs run under a 32-bit Wine where
# Debian's wine32 is installed (it needs the i386 architecture, which CI does not depend on);
# elsewhere they are compiled and linked only.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOLVANE_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

execute_process(COMMAND bash -c "source '${CMAKE_CURRENT_LIST_DIR}/wine-locate.sh' && echo -n \"$wine32\""
                OUTPUT_VARIABLE TOLVANE_WINE32 ERROR_QUIET)
if(TOLVANE_WINE32)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine32-run.sh)
endif()
