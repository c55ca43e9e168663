# kovadex.dll: the seven calls with the standard Windows calling convention, exported by
# undecorated name at the ordinals of kovadex.def, and an import library that binds those
# names for callers that see the decorated ones.

# x86-64 has one calling convention and no decoration: its .def is the same list without it.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(kovadex_def ${CMAKE_CURRENT_SOURCE_DIR}/kovadex.def)
else()
    file(READ ${CMAKE_CURRENT_SOURCE_DIR}/kovadex.def kovadex_def_text)
    string(REGEX REPLACE "@[0-9]+ @" " @" kovadex_def_text "${kovadex_def_text}")
    set(kovadex_def ${CMAKE_CURRENT_BINARY_DIR}/kovadex.def)
    file(CONFIGURE OUTPUT ${kovadex_def} CONTENT "${kovadex_def_text}" @ONLY)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                 ${CMAKE_CURRENT_SOURCE_DIR}/kovadex.def)
endif()

add_library(kovadex SHARED kovadex.cpp kovadex.h ${kovadex_def})
target_link_libraries(kovadex PRIVATE kovadex_files)
set_target_properties(kovadex PROPERTIES PREFIX "")
target_link_options(kovadex PRIVATE "-Wl,--kill-at")
target_include_directories(kovadex PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})

# The linker's own import library would bind the undecorated names that --kill-at leaves;
# dlltool -k binds the decorated names that an i686 caller references to them.
if(NOT CMAKE_DLLTOOL)
    message(FATAL_ERROR "dlltool of the MinGW-w64 binutils not found")
endif()
set(kovadex_import_library ${CMAKE_ARCHIVE_OUTPUT_DIRECTORY}/libkovadex.a)
add_custom_command(OUTPUT ${kovadex_import_library}
                   COMMAND ${CMAKE_DLLTOOL} -k -d ${kovadex_def} -l ${kovadex_import_library}
                   DEPENDS ${kovadex_def}
                   COMMENT "Import library libkovadex.a for kovadex.dll")
add_custom_target(kovadex_import_library ALL DEPENDS ${kovadex_import_library} kovadex)
# What callers link: the import library, the header, and the DLL built beside them.
add_library(kovadex_import INTERFACE)
target_link_libraries(kovadex_import INTERFACE ${kovadex_import_library})
target_include_directories(kovadex_import INTERFACE ${CMAKE_CURRENT_SOURCE_DIR})
add_dependencies(kovadex_import kovadex_import_library)

# The export table and each export's return instruction, as a host sees them.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(kovadex_arguments 16 16 16 16 8 8 0)
else()
    set(kovadex_arguments 0 0 0 0 0 0 0)
endif()
set(kovadex_exports)
set(ordinal 0)
foreach(name SaveInteger LoadInteger SavePChar LoadPChar LoadWorkspaceFile SaveWorkspaceFile
             WorkspaceFileError)
    list(GET kovadex_arguments ${ordinal} bytes)
    math(EXPR ordinal "${ordinal} + 1")
    list(APPEND kovadex_exports "${ordinal}:${name}:${bytes}")
endforeach()
add_test(NAME KovadexDll.ExportsTheSevenCallsUndecoratedAtTheirOrdinals
         COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/check-dll-exports.sh ${CMAKE_OBJDUMP}
                 $<TARGET_FILE:kovadex> ${kovadex_exports})
