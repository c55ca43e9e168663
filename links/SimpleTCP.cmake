include(${CMAKE_CURRENT_LIST_DIR}/SimpleTCPShared.cmake)
target_sources(tolvane_links PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/SimpleTCP.h
    ${CMAKE_CURRENT_LIST_DIR}/SimpleTCP.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SimpleTCPErrors.h
    ${CMAKE_CURRENT_LIST_DIR}/SimpleTCPErrors.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SimpleTCPPlatform.h
    ${CMAKE_CURRENT_LIST_DIR}/SimpleTCPPlatform.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SimpleTCPResolver.cpp
)
