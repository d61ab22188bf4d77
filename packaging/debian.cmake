# The Debian package of the Linux saver: `cpack -G DEB` in a build configured
# with CMAKE_INSTALL_PREFIX=/usr (scripts/package.sh does both). It holds what
# Debian's xscreensaver looks for: the hack in /usr/libexec/xscreensaver, its
# description in /usr/share/xscreensaver/config, and the section-6 man page.

include(GNUInstallDirs)

# Debian ships man pages compressed.
set(kvss_man_page ${CMAKE_CURRENT_BINARY_DIR}/kvss.6.gz)
add_custom_command(OUTPUT ${kvss_man_page}
  COMMAND gzip -9n -c ${CMAKE_CURRENT_LIST_DIR}/kvss.6 > ${kvss_man_page}
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/kvss.6
  VERBATIM)
add_custom_target(kvss_man_page ALL DEPENDS ${kvss_man_page})
install(FILES ${kvss_man_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kvss)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "kvss developers <kvss@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # kvss_<version>_<architecture>.deb
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends comes from dpkg-shlibdeps, as Debian's own packages get it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xscreensaver)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "screen saver showing the 3D models of the game Korvane")
set(CPACK_PACKAGE_DESCRIPTION "kvss is an OpenGL hack for xscreensaver. It reads the installed game's
archive kv.hog and shows its polygon models one after another, animated,
with their textures, while the camera slowly drifts around each model.

It needs the game's data: give its directory with --game or as game_dir
in ~/.config/kvss/settings.")
include(CPack)
