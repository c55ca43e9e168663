# The two archives of a Windows build, made by CPack (no zip program needed):
#   tolvane-<version>-windows-<arch>.zip       tolvane.dll and INSTALL.txt, for a decoder's
#                                             plug-in folder; it leaves out kovadex.dll, which
#                                             belongs to the host and must not be replaced
#   tolvane-<version>-windows-<arch>-host.zip  the reference host, tolvane.dll, kovadex.dll and
#                                             the sample, to try the plug-in without a decoder
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(tolvane_windows_arch x86)
else()
    set(tolvane_windows_arch x64)
endif()
set(tolvane_windows_texts ${CMAKE_BINARY_DIR}/package-texts)
# Windows' own line ends, so that every editor there shows the texts as lines.
foreach(text INSTALL TRY-IT)
    configure_file(${PROJECT_SOURCE_DIR}/docs/windows/${text}.txt
                   ${tolvane_windows_texts}/${text}.txt @ONLY NEWLINE_STYLE WIN32)
endforeach()

# Installed as targets, so that CPack strips them; the DLLs' import libraries stay out.
install(TARGETS tolvane RUNTIME DESTINATION . COMPONENT plugin)
install(FILES ${tolvane_windows_texts}/INSTALL.txt DESTINATION . COMPONENT plugin)
install(TARGETS tolvane kovadex RUNTIME DESTINATION . COMPONENT host)
if(TARGET tolvane-host)
    install(TARGETS tolvane-host RUNTIME DESTINATION . COMPONENT host)
endif()
install(FILES ${tolvane_windows_texts}/TRY-IT.txt ${PROJECT_SOURCE_DIR}/samples/sample-groups.hex
        DESTINATION . COMPONENT host)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME tolvane)
set(CPACK_PACKAGE_VENDOR "The Tolvane developers")
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL plugin host)
set(tolvane_windows_name tolvane-${PROJECT_VERSION}-windows-${tolvane_windows_arch})
set(CPACK_ARCHIVE_PLUGIN_FILE_NAME ${tolvane_windows_name})
set(CPACK_ARCHIVE_HOST_FILE_NAME ${tolvane_windows_name}-host)
set(CPACK_STRIP_FILES ON)
include(CPack)
