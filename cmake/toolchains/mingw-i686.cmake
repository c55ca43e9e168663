# 32-bit Windows: the DLL that a 32-bit host loads. Its programs are compiled and linked but
# not run here, since running them needs a 32-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOLVANE_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
