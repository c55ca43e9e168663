# Shared by the MinGW-w64 toolchain files: Debian's posix-thread cross compilers for the
# triplet in TOLVANE_MINGW_TRIPLET, with the C and C++ runtimes and winpthread linked
# statically, because a Windows machine may lack their DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${TOLVANE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOLVANE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${TOLVANE_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TOLVANE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
