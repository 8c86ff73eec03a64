# Installation: the program folder goes to <prefix>/lib/zeph (marked as an
# installation, so each user's data lives in their own folder), with a command
# in <prefix>/bin, a menu entry and an icon. `cpack -G DEB` packages the same.
include(GNUInstallDirs)
set(ZEPH_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/zeph)

install(TARGETS ZEPHSearch ZEPHIndexer ZEPHWatcher zeph-query zeph-extract RUNTIME DESTINATION ${ZEPH_INSTALL_DIR})
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
set(CPACK_PACKAGE_CONTACT "ZEPH developers <zeph@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop file search: by name, content, folder, size, time and type")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fonts-noto-cjk | fonts-wqy-microhei, libqt6svg6, adwaita-icon-theme, xdg-utils, qt6-translations-l10n")
include(CPack)
