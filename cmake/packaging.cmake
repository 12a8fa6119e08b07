# The packages: "cpack -G DEB" for Debian and Ubuntu, "cpack -G ZIP" for
# Windows. Each installs a component of its own (cmake/cpack_generator.cmake).

# Linux: the program beside its launcher, which runs it under Wine.
install(TARGETS zephnotes RUNTIME DESTINATION lib/zephnotes COMPONENT linux)
install(PROGRAMS packaging/zephnotes DESTINATION bin COMPONENT linux)
install(FILES packaging/zephnotes.desktop DESTINATION share/applications COMPONENT linux)
foreach(size 32 256)
    install(FILES resources/bitmaps/zephnotes_${size}.png
            DESTINATION share/icons/hicolor/${size}x${size}/apps
            RENAME zephnotes.png COMPONENT linux)
endforeach()

# Windows: the program and a short README with Windows line ends.
configure_file(packaging/README-windows.txt.in ${CMAKE_BINARY_DIR}/packaging/README.txt
               @ONLY NEWLINE_STYLE CRLF)
install(TARGETS zephnotes RUNTIME DESTINATION . COMPONENT windows)
install(FILES ${CMAKE_BINARY_DIR}/packaging/README.txt DESTINATION . COMPONENT windows)

set(CPACK_PACKAGE_NAME zephnotes)
set(CPACK_PACKAGE_VENDOR Brisel)
set(CPACK_PACKAGE_CONTACT "Brisel <support@brisel.ru>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "notes manager for Pocket PC handhelds, run with Wine")
set(CPACK_PACKAGE_DESCRIPTION
    "ZephNotes shows a folder tree of plain-text notes and a lined-paper editor\n\
in one skinned window, switched by a tap on the ring binding at its edge.\n\
This package runs the Windows program under Wine, in a Wine prefix of each\n\
user's own; the notes are kept in the user's documents folder.")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CHECKSUM SHA256)
# zephnotes-<version>-win64.zip: the system part of the name says what the
# program runs on, not what built it.
set(CPACK_SYSTEM_NAME win64)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# The program is x86-64 code, run by 64-bit Wine; the cross build cannot
# tell the architecture or the shared libraries by itself.
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
# wine brings the wine, wineserver and wineboot commands and wine64 the
# 64-bit Wine; fonts-wine holds Tahoma, the program's face, and
# fonts-liberation keeps Wine 8's script fallback off a face it crashes on.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "wine, wine64, fonts-wine, fonts-liberation")

# cpack builds nothing itself: the packages need the program alone, and
# building every test first would cost minutes (tools/package.sh builds it).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/cpack_generator.cmake)
set(CPACK_GENERATOR "DEB;ZIP")
include(CPack)
