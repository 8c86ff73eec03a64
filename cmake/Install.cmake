# Installation: the program folder goes to <prefix>/lib/zeph (marked as an
# installation, so each user's data lives in their own folder), with a command
# in <prefix>/bin, a menu entry and an icon. `cpack -G DEB` packages the same.
include(GNUInstallDirs)
set(ZEPH_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/zeph)

install(TARGETS ZEPHSearch ZEPHIndexer ZEPHWatcher zeph-query zeph-extract zeph-searchd
        RUNTIME DESTINATION ${ZEPH_INSTALL_DIR})
install(FILES ${ZEPH_SHIPPED_DB} ${ZEPH_PROGRAM_DIR}/Translation.dat ${ZEPH_PROGRAM_DIR}/Pinyin.dat
        DESTINATION ${ZEPH_INSTALL_DIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/folder/ DESTINATION ${ZEPH_INSTALL_DIR})
install(DIRECTORY DESTINATION ${ZEPH_INSTALL_DIR}/index)
install(DIRECTORY DESTINATION ${ZEPH_INSTALL_DIR}/tmp)
install(DIRECTORY DESTINATION ${ZEPH_INSTALL_DIR}/ext)
install(CODE "file(WRITE \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${ZEPH_INSTALL_DIR}/INSTALLED\" \"\")")
# The commands on the PATH are links into the program folder, which the
# programs find their files in through /proc/self/exe.
foreach(command zeph-search:ZEPHSearch zeph-query:zeph-query zeph-watcher:ZEPHWatcher)
    string(REPLACE ":" ";" pair ${command})
    list(GET pair 0 link)
    list(GET pair 1 program)
    install(CODE "file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
        file(CREATE_LINK ../${ZEPH_INSTALL_DIR}/${program}
        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${link}\" SYMBOLIC)")
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/resources/desktop/zeph-search.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/desktop/zeph-search.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/resources/desktop/org.zeph.Search.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${ZEPH_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The desktop launchers' provider: GNOME Shell finds it by its .ini, KRunner by
# its plugin entry, and the session bus starts it by its service file.
install(FILES ${PROJECT_SOURCE_DIR}/resources/launchers/org.zeph.Search.search-provider.ini
        DESTINATION ${CMAKE_INSTALL_DATADIR}/gnome-shell/search-providers)
install(FILES ${PROJECT_SOURCE_DIR}/resources/launchers/org.zeph.Search.krunner.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/krunner/dbusplugins RENAME org.zeph.Search.desktop)
install(CODE "
    set(ZEPH_SEARCHD \"\${CMAKE_INSTALL_PREFIX}/${ZEPH_INSTALL_DIR}/zeph-searchd\")
    configure_file(${PROJECT_SOURCE_DIR}/resources/launchers/org.zeph.Search.service.in
                   \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/dbus-1/services/org.zeph.Search.service\" @ONLY)")
install(FILES ${PROJECT_SOURCE_DIR}/resources/completion/zeph-query
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
# The licence and the changelog, where Debian keeps them.
set(ZEPH_CHANGELOG ${CMAKE_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${ZEPH_CHANGELOG}
    COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/packaging/changelog > ${ZEPH_CHANGELOG}
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog)
add_custom_target(zeph_changelog ALL DEPENDS ${ZEPH_CHANGELOG})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${ZEPH_CHANGELOG}
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zeph-search)
# The live index's watcher starts with the desktop session: the system's
# autostart folder for an installation in /usr or /usr/local (and the
# package), the user's own for one below the home folder.
install(CODE "
    set(autostart \"\${CMAKE_INSTALL_PREFIX}/etc/xdg/autostart\")
    if(\"\${CMAKE_INSTALL_PREFIX}\" MATCHES \"^/usr(/local)?/?$\")
        set(autostart /etc/xdg/autostart)
    elseif(\"\${CMAKE_INSTALL_PREFIX}\" MATCHES \"^\$ENV{HOME}/\")
        set(autostart \"\$ENV{HOME}/.config/autostart\")
    endif()
    file(INSTALL ${PROJECT_SOURCE_DIR}/resources/desktop/zeph-watcher.desktop
         DESTINATION \"\${autostart}\")")

set(CPACK_PACKAGE_NAME zeph-search)
set(CPACK_PACKAGE_VENDOR "ZEPH")
set(CPACK_PACKAGE_CONTACT "ZEPH developers <zeph@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop file search by name, content, folder, size, time and type")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "ZEPH finds any file on the machine in a moment: by part of its name, by a
word inside it, by folder, size, time and type. Its window follows each key
typed, and names may be written as patterns, as choices, with words left
out, or in pinyin. The words inside PDF, Office, OpenDocument, EPUB, HTML
and text files are answered from an index that a background watcher keeps
current as files change. The command zeph-query gives the same searches in
a terminal.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fonts-noto-cjk | fonts-wqy-microhei, libqt6svg6, adwaita-icon-theme, xdg-utils, qt6-translations-l10n")
# Stripped programs, their debug symbols in a -dbgsym package: cpack splits
# them off itself (with CPACK_STRIP_FILES it would find nothing left to split).
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
# The autostart entry under /etc is the administrator's to change.
file(WRITE ${CMAKE_BINARY_DIR}/packaging/conffiles "/etc/xdg/autostart/zeph-watcher.desktop\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/packaging/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# A package is made only from the Release configuration scripts/package.sh
# prepares, whatever the build folder at hand holds.
configure_file(${PROJECT_SOURCE_DIR}/packaging/CPackChecks.cmake.in
               ${CMAKE_BINARY_DIR}/packaging/CPackChecks.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/packaging/CPackChecks.cmake)
include(CPack)
