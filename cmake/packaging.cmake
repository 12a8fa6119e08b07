# The packages: "cpack -G DEB" for Debian and Ubuntu, "cpack -G ZIP" for
# Windows. Each installs a component of its own (cmake/cpack_generator.cmake).

set(ZEPH_PACKAGING ${CMAKE_BINARY_DIR}/packaging)
# The release's date, for the manual page, from the changelog's newest entry.
file(STRINGS packaging/changelog ZEPH_RELEASE_DATE REGEX "^ -- " LIMIT_COUNT 1)
string(REGEX REPLACE ".*  [A-Z][a-z][a-z], ([0-9]+ [A-Z][a-z][a-z] [0-9]+) .*" "\\1"
       ZEPH_RELEASE_DATE "${ZEPH_RELEASE_DATE}")
configure_file(packaging/copyright.in ${ZEPH_PACKAGING}/copyright @ONLY)
configure_file(packaging/zephnotes.1.in ${ZEPH_PACKAGING}/zephnotes.1 @ONLY)
configure_file(packaging/zephnotes.metainfo.xml.in
               ${ZEPH_PACKAGING}/ru.brisel.zephnotes.metainfo.xml @ONLY)
# Compressed as Debian wants them, with no name or time in the header, so
# that the same sources make the same package.
foreach(document ${ZEPH_PACKAGING}/zephnotes.1 ${CMAKE_SOURCE_DIR}/packaging/changelog)
    get_filename_component(name ${document} NAME)
    execute_process(COMMAND gzip -9n -c ${document} OUTPUT_FILE ${ZEPH_PACKAGING}/${name}.gz
                    COMMAND_ERROR_IS_FATAL ANY)
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS packaging/changelog)

# Linux: the program beside its launcher, which runs it under Wine (a
# Windows program wants no execute bit of its own there).
install(TARGETS zephnotes RUNTIME DESTINATION lib/zephnotes COMPONENT linux
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
install(PROGRAMS packaging/zephnotes DESTINATION bin COMPONENT linux)
install(FILES packaging/zephnotes.desktop DESTINATION share/applications COMPONENT linux)
install(FILES ${ZEPH_PACKAGING}/ru.brisel.zephnotes.metainfo.xml
        DESTINATION share/metainfo COMPONENT linux)
install(FILES ${ZEPH_PACKAGING}/zephnotes.1.gz DESTINATION share/man/man1 COMPONENT linux)
install(FILES ${ZEPH_PACKAGING}/copyright ${ZEPH_PACKAGING}/changelog.gz
        DESTINATION share/doc/zephnotes COMPONENT linux)
foreach(size 16 22 24 32 48 64 128 256)
    install(FILES resources/bitmaps/zephnotes_${size}.png
            DESTINATION share/icons/hicolor/${size}x${size}/apps
            RENAME zephnotes.png COMPONENT linux)
endforeach()

# Windows: the program, a short README and the licences, the program's and
# those of the two faces it carries, with Windows line ends.
configure_file(packaging/README-windows.txt.in ${ZEPH_PACKAGING}/README.txt
               @ONLY NEWLINE_STYLE CRLF)
configure_file(LICENSE ${ZEPH_PACKAGING}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(resources/fonts/LICENSE.zephnotes_text
               ${ZEPH_PACKAGING}/LICENSE-ZephNotes-Text.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(resources/fonts/LICENSE.zephnotes_fallback
               ${ZEPH_PACKAGING}/LICENSE-ZephNotes-Fallback.txt @ONLY NEWLINE_STYLE CRLF)
install(TARGETS zephnotes RUNTIME DESTINATION . COMPONENT windows)
install(FILES ${ZEPH_PACKAGING}/README.txt ${ZEPH_PACKAGING}/LICENSE.txt
              ${ZEPH_PACKAGING}/LICENSE-ZephNotes-Text.txt
              ${ZEPH_PACKAGING}/LICENSE-ZephNotes-Fallback.txt
        DESTINATION . COMPONENT windows)

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
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# The program is x86-64 code, run by 64-bit Wine; the cross build cannot
# tell the architecture or the shared libraries by itself.
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
# wine brings the wine, wineserver and wineboot commands and wine64 the
# 64-bit Wine; fonts-wine holds Tahoma, the program's face, and
# fonts-liberation keeps Wine 8's script fallback off a face it crashes on;
# yad draws the launcher's windows (the first start's notice, its errors).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "wine, wine64, fonts-wine, fonts-liberation, yad")

# cpack builds nothing itself: the packages need the program alone, and
# building every test first would cost minutes (tools/package.sh builds it).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

# A Wine prefix is prepared once when the package is installed, and again
# when Wine's files change: a new user's first start copies it.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_SOURCE_DIR}/packaging/postinst ${CMAKE_SOURCE_DIR}/packaging/postrm
    ${CMAKE_SOURCE_DIR}/packaging/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/cmake/cpack_generator.cmake)
set(CPACK_GENERATOR "DEB;ZIP")
include(CPack)

