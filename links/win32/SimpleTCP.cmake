# The SimpleTCP unit on Win32: WinSock's asynchronous selection on the link's own window, with
# the plain C++ it shares with Linux.
include(${CMAKE_CURRENT_LIST_DIR}/../SimpleTCPShared.cmake)
target_sources(tolvane_links PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/SimpleTCP.h
    ${CMAKE_CURRENT_LIST_DIR}/SimpleTCP.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SimpleTCPErrors.h
    ${CMAKE_CURRENT_LIST_DIR}/SimpleTCPErrors.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SimpleTCPResolver.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SimpleTCPWinSock.h
    ${CMAKE_CURRENT_LIST_DIR}/SimpleTCPWinSock.cpp
)
target_link_libraries(tolvane_links PUBLIC ws2_32)
