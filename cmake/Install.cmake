# What an installation holds, and the Debian package CPack makes of it:
#   lib/tolvane/        the plug-in with the settings store beside it (found through $ORIGIN)
#   <bindir>/           the reference host and the encoder simulator
#   <docdir>/           the README and the licence
#   <datadir>/tolvane/  the sample groups
set(CMAKE_INSTALL_DOCDIR share/doc/tolvane)
include(GNUInstallDirs)
# The reference host looks for the plug-in at ../lib/tolvane/ from its own folder.
set(TOLVANE_PLUGIN_INSTALL_DIR lib/tolvane)

install(TARGETS tolvane kovadex LIBRARY DESTINATION "${TOLVANE_PLUGIN_INSTALL_DIR}")
install(TARGETS tolvane-host tolvane-encoder RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
install(FILES README.md LICENSE DESTINATION "${CMAKE_INSTALL_DOCDIR}")
install(FILES samples/sample-groups.hex DESTINATION "${CMAKE_INSTALL_DATADIR}/tolvane")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tolvane)
set(CPACK_PACKAGE_VENDOR "The Tolvane developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "RDS decoder plug-in that re-transmits chosen RDS groups through an RDS encoder")
set(CPACK_PACKAGE_DESCRIPTION
    "Tolvane filters the RDS groups a decoder receives by type and by bit masks, queues and\n\
paces them, and writes them to an RDS encoder over RS-232 or TCP. The package holds the\n\
plug-in, its settings store, a reference host that feeds it groups from a file or a live\n\
decoder, and an encoder simulator.")
set(CPACK_PACKAGE_CONTACT "The Tolvane developers <tolvane@users.noreply.invalid>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
# Debian's own package names for what the binaries load: libkovadex.so needs only the C and
# C++ runtimes, the plug-in and the host Qt as well.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libc6, libstdc++6, libgcc-s1, libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), \
libqt6widgets6 (>= 6.4), qt6-qpa-plugins")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
