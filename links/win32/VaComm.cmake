# The VaComm unit on Win32: the port on the communications API, with the decisions it shares
# with the Linux port from the portable files beside it.
target_sources(tolvane_links PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/VaComm.h
    ${CMAKE_CURRENT_LIST_DIR}/VaComm.cpp
    ${CMAKE_CURRENT_LIST_DIR}/VaCommEventThread.h
    ${CMAKE_CURRENT_LIST_DIR}/VaCommEventThread.cpp
    ${CMAKE_CURRENT_LIST_DIR}/VaCommWriteThread.h
    ${CMAKE_CURRENT_LIST_DIR}/VaCommWriteThread.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../VaCommTypes.h
    ${CMAKE_CURRENT_LIST_DIR}/../VaCommKeptOutput.h
    ${CMAKE_CURRENT_LIST_DIR}/../VaCommKeptOutput.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../VaCommPortName.h
    ${CMAKE_CURRENT_LIST_DIR}/../VaCommPortName.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../VaCommProperties.h
    ${CMAKE_CURRENT_LIST_DIR}/../VaCommProperties.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../VaCommRules.h
    ${CMAKE_CURRENT_LIST_DIR}/../VaCommRules.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../VaPrst.h
    ${CMAKE_CURRENT_LIST_DIR}/../VaPrst.cpp
)
