find_package(Threads REQUIRED)
target_sources(tolvane_links PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/VaComm.h
    ${CMAKE_CURRENT_LIST_DIR}/VaComm.cpp
    ${CMAKE_CURRENT_LIST_DIR}/VaCommDeviceMap.h
    ${CMAKE_CURRENT_LIST_DIR}/VaCommDeviceMap.cpp
    ${CMAKE_CURRENT_LIST_DIR}/VaCommEventThread.h
    ${CMAKE_CURRENT_LIST_DIR}/VaCommEventThread.cpp
    ${CMAKE_CURRENT_LIST_DIR}/VaCommTypes.h
    ${CMAKE_CURRENT_LIST_DIR}/VaCommSpeed.h
    ${CMAKE_CURRENT_LIST_DIR}/VaCommSpeed.cpp
    ${CMAKE_CURRENT_LIST_DIR}/VaCommKeptOutput.h
    ${CMAKE_CURRENT_LIST_DIR}/VaCommKeptOutput.cpp
    ${CMAKE_CURRENT_LIST_DIR}/VaCommPortName.h
    ${CMAKE_CURRENT_LIST_DIR}/VaCommProperties.h
    ${CMAKE_CURRENT_LIST_DIR}/VaCommProperties.cpp
    ${CMAKE_CURRENT_LIST_DIR}/VaCommPortName.cpp
    ${CMAKE_CURRENT_LIST_DIR}/VaCommRules.h
    ${CMAKE_CURRENT_LIST_DIR}/VaCommRules.cpp
    ${CMAKE_CURRENT_LIST_DIR}/VaCommHandOver.h
    ${CMAKE_CURRENT_LIST_DIR}/VaCommHandOver.cpp
    ${CMAKE_CURRENT_LIST_DIR}/VaCommTermios.h
    ${CMAKE_CURRENT_LIST_DIR}/VaCommTermios.cpp
    ${CMAKE_CURRENT_LIST_DIR}/VaCommWriteThread.h
    ${CMAKE_CURRENT_LIST_DIR}/VaCommWriteThread.cpp
    ${CMAKE_CURRENT_LIST_DIR}/VaPrst.h
    ${CMAKE_CURRENT_LIST_DIR}/VaPrst.cpp
)
target_link_libraries(tolvane_links PUBLIC Threads::Threads)
