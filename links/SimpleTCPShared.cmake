# The SimpleTCP unit's plain C++ that both platforms compile: the error table and the rules for
# host texts, timer periods and bytes kept unsent, the stream an OnRead handler reads, and the
# socket's and the client's decisions and events over each platform's socket class.
target_sources(tolvane_links PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/SimpleTCPClientSequence.h
    ${CMAKE_CURRENT_LIST_DIR}/SimpleTCPErrorTable.h
    ${CMAKE_CURRENT_LIST_DIR}/SimpleTCPErrorTable.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SimpleTCPRules.h
    ${CMAKE_CURRENT_LIST_DIR}/SimpleTCPRules.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SimpleTCPResolver.h
    ${CMAKE_CURRENT_LIST_DIR}/SimpleTCPSocketCore.h
    ${CMAKE_CURRENT_LIST_DIR}/SimpleTCPStream.h
    ${CMAKE_CURRENT_LIST_DIR}/SimpleTCPStream.cpp
)
