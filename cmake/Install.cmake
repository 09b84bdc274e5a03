# What `cmake --install` puts where, for a Linux desktop: the two programs, their data and
# guide, the desktop entry with its icons and AppStream description, the type of the encrypted
# files, the file manager's menu entry, the manual pages, and the command line's bash
# completion, where bash-completion loads it when zr7e-cli is first completed.
include(GNUInstallDirs)

set(ZR7_APP_ID org.revarodevaza.zr7e)

install(TARGETS zr7e zr7e-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES data/zr7e.dat docs/user-guide.md docs/file-format.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/zr7e)
install(DIRECTORY docs/images DESTINATION ${CMAKE_INSTALL_DATADIR}/zr7e)
if(ZR7_WEB_PAGES)
    install(FILES ${ZR7_WEB_PAGES} DESTINATION ${CMAKE_INSTALL_DATADIR}/zr7e)
endif()
install(FILES data/linux/${ZR7_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The file manager's menu entry; newer KDE versions run only service menus marked executable.
install(FILES data/linux/${ZR7_APP_ID}.servicemenu.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/kio/servicemenus
        PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                    WORLD_READ WORLD_EXECUTE)
install(FILES data/linux/${ZR7_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The type of the encrypted files (*.zr7), with its icon, which the desktop entry handles.
install(FILES data/linux/${ZR7_APP_ID}.mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME ${ZR7_APP_ID}.xml)
install(FILES data/linux/application-x-zr7-encrypted.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/mimetypes)
install(FILES data/linux/zr7e.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES data/linux/zr7e-48.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps RENAME zr7e.png)
install(FILES docs/zr7e.1 docs/zr7e-cli.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES data/linux/zr7e-cli.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME zr7e-cli)

# The installed tree, checked as a packager would: every file in place, the desktop entry and
# the AppStream file valid, the manual page readable, and the installed command line working.
# The web pages are looked for when the build makes them.
if(BUILD_TESTING)
    set(web_pages)
    foreach(page ${ZR7_WEB_PAGES})
        get_filename_component(name ${page} NAME)
        list(APPEND web_pages ${name})
    endforeach()
    add_test(NAME install_tree
             COMMAND ${CMAKE_SOURCE_DIR}/tools/check-install.sh ${CMAKE_BINARY_DIR}
                     ${CMAKE_BINARY_DIR}/install-check ${web_pages})
    set_tests_properties(install_tree PROPERTIES LABELS install)
endif()
