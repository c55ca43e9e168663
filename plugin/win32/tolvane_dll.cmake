# tolvane.dll: the four calls with the standard Windows calling convention, exported by
# undecorated name at the ordinals of tolvane.def; the settings calls come from kovadex.dll
# through its import library, and the C and C++ runtimes are linked in.

# x86-64 has one calling convention and no decoration: its .def is the same list without it.
set(tolvane_def_source ${CMAKE_CURRENT_SOURCE_DIR}/plugin/win32/tolvane.def)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(tolvane_def ${tolvane_def_source})
else()
    file(READ ${tolvane_def_source} tolvane_def_text)
    string(REGEX REPLACE "@[0-9]+ @" " @" tolvane_def_text "${tolvane_def_text}")
    set(tolvane_def ${CMAKE_CURRENT_BINARY_DIR}/tolvane.def)
    file(CONFIGURE OUTPUT ${tolvane_def} CONTENT "${tolvane_def_text}" @ONLY)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${tolvane_def_source})
endif()

# The window's handlers, written once for both toolkits, with the Windows links.
add_library(tolvane_handlers_win32 STATIC
    ${TOLVANE_PORTABLE_HANDLERS}
    output/tform1_send.cpp
    output/tform1_connection.cpp
    output/tform1_replies.cpp
    pipeline/library_state.cpp
    output/output_state.cpp
    plugin/win32/error_report.cpp
)
target_link_libraries(tolvane_handlers_win32 PUBLIC tolvane_window_win32 tolvane_core
                      tolvane_links kovadex_import)

add_library(tolvane SHARED
    plugin/win32/exports.cpp
    plugin/win32/dll_main.cpp
    plugin/win32/instance.h
    plugin/win32/instance.cpp
    ${tolvane_def}
)
target_link_libraries(tolvane PRIVATE tolvane_handlers_win32)
set_target_properties(tolvane PROPERTIES PREFIX "" LINK_DEPENDS ${tolvane_def_source})
target_link_options(tolvane PRIVATE "-Wl,--kill-at")

# The export table, each export's return instruction and the import table, as a host sees them.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(tolvane_exports 1:PluginName:0 2:Initialize:8 3:Command:8 4:RDSGroup:4)
else()
    set(tolvane_exports 1:PluginName:0 2:Initialize:0 3:Command:0 4:RDSGroup:0)
endif()
add_test(NAME TolvaneDll.ExportsTheFourCallsUndecoratedAtTheirOrdinals
         COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/check-dll-exports.sh ${CMAKE_OBJDUMP}
                 $<TARGET_FILE:tolvane> ${tolvane_exports})
add_test(NAME TolvaneDll.ImportsTheFourSettingsCallsAndOnlySystemDlls
         COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/check-dll-imports.sh ${CMAKE_OBJDUMP}
                 $<TARGET_FILE:tolvane> kovadex.dll SaveInteger LoadInteger SavePChar LoadPChar)
