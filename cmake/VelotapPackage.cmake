# The Debian package: the program, its page and VelotapOpener in /usr/lib/velotap, the `velotap`
# command, a desktop entry, the icons and the file types. Built by scripts/package.sh.
include(GNUInstallDirs)
set(velotap_lib lib/velotap)
install(TARGETS VelotapApp VelotapOpener RUNTIME DESTINATION ${velotap_lib})
install(DIRECTORY $<TARGET_FILE_DIR:VelotapApp>/ui DESTINATION ${velotap_lib})
# The program finds its page and its opener beside the file the link points to.
install(CODE "
    file(MAKE_DIRECTORY \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin)
    file(CREATE_LINK ../${velotap_lib}/VelotapApp \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/velotap SYMBOLIC)")
install(FILES src/platform/linux/velotap.desktop DESTINATION share/applications)
install(FILES src/platform/linux/velotap-mime.xml DESTINATION share/mime/packages RENAME velotap.xml)
foreach(size IN LISTS VELOTAP_ICON_SIZES)
    set(dir share/icons/hicolor/${size}x${size})
    install(FILES ${VELOTAP_ICONS_DIR}/velotap-${size}.png DESTINATION ${dir}/apps RENAME velotap.png)
    foreach(type theme macro)
        install(FILES ${VELOTAP_ICONS_DIR}/velotap-${size}.png DESTINATION ${dir}/mimetypes
                RENAME application-x-velotap-${type}.png)
    endforeach()
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velotap)
set(CPACK_PACKAGE_VENDOR Velotap)
set(CPACK_PACKAGE_CONTACT "Velotap <support@velotap.app>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop input automation: clickers, key spammer, macros")
set(CPACK_PACKAGE_DESCRIPTION
    "A click spammer, a key spammer, a macro recorder and player with global hotkeys, profiles,\nmacro files checked by a risk scanner, themes and a timeline editor.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, shared-mime-info")
set(CPACK_STRIP_FILES ON)
include(CPack)
