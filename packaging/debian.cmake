# The Debian package of the Linux programs: scripts/package.sh installs a build
# configured with CMAKE_INSTALL_PREFIX=/usr into a folder and makes the package
# of it with dpkg-deb, from the control file written here. It
# holds what Debian's xscreensaver looks for (the hack in
# /usr/libexec/xscreensaver, its description in /usr/share/xscreensaver/config,
# kvss(6)), kvtool with kvtool(1), the viewer kvss-viewer with kvss-viewer(1),
# its desktop entry and icon, the MIME type of a .hog and its thumbnailer, and
# the copyright and changelog Debian asks for.

include(GNUInstallDirs)
set(kvss_packaging ${CMAKE_CURRENT_LIST_DIR})
set(kvss_generated ${CMAKE_CURRENT_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${kvss_generated})

# Debian ships man pages and changelogs compressed; -n keeps the bytes the same
# from build to build.
function(kvss_gzip source output)
  add_custom_command(OUTPUT ${output}
    COMMAND gzip -9n -c ${source} > ${output}
    DEPENDS ${source}
    VERBATIM)
endfunction()

kvss_gzip(${kvss_packaging}/kvss.6 ${kvss_generated}/kvss.6.gz)
install(FILES ${kvss_generated}/kvss.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
set(kvss_man_pages ${kvss_generated}/kvss.6.gz)
# kvss(6) is written by hand around xscreensaver's conventions; a test keeps
# its options those of kvss --help.
if(KVSS_TESTS AND BUILD_TESTING)
  add_test(NAME kvss_man_page_matches_help
    COMMAND ${kvss_packaging}/check_man_page.sh $<TARGET_FILE:kvss> ${kvss_packaging}/kvss.6)
endif()

# A section-1 page written from the program's own --help texts at build time,
# so that the page and the program cannot disagree about commands and options.
function(kvss_man_page_from_help target name)
  set(page ${kvss_generated}/${name}.1)
  add_custom_command(OUTPUT ${page}
    COMMAND ${kvss_packaging}/man_from_help.sh $<TARGET_FILE:${target}> ${name} ${PROJECT_VERSION}
            ${kvss_packaging}/${name}.1.in > ${page}
    DEPENDS ${target} ${kvss_packaging}/${name}.1.in ${kvss_packaging}/man_from_help.sh
    VERBATIM)
  kvss_gzip(${page} ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  set(kvss_man_pages ${kvss_man_pages} ${page}.gz PARENT_SCOPE)
endfunction()

kvss_man_page_from_help(kvtool kvtool)

# The viewer, in the desktop's menu under Graphics. Its icon is the gem of
# kvss.scr's, drawn as SVG so that it stays a text file.
if(TARGET kvss_viewer)
  install(TARGETS kvss_viewer RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  kvss_man_page_from_help(kvss_viewer kvss-viewer)
  install(FILES ${kvss_packaging}/kvss-viewer.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${kvss_packaging}/kvss-viewer.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

# A .hog is a type of its own to the desktop (by its name and its first bytes),
# which the viewer opens and the thumbnailer draws: dpkg's triggers for
# /usr/share/mime/packages and /usr/share/applications bring the desktop's
# caches up to date.
install(FILES ${kvss_packaging}/kvss-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME kvss.xml)
install(FILES ${kvss_packaging}/kvss.thumbnailer DESTINATION ${CMAKE_INSTALL_DATADIR}/thumbnailers)

add_custom_target(kvss_man_pages ALL DEPENDS ${kvss_man_pages})

# The Debian revision follows the project's version: the changelog's newest
# entry must be for the version being packaged.
set(kvss_deb_revision 1)
set(kvss_deb_version ${PROJECT_VERSION}-${kvss_deb_revision})
file(STRINGS ${kvss_packaging}/changelog kvss_changelog_top LIMIT_COUNT 1)
if(NOT kvss_changelog_top MATCHES "^kvss \\(${kvss_deb_version}\\) ")
  message(FATAL_ERROR "packaging/changelog: its newest entry is not for ${kvss_deb_version}: add one")
endif()
kvss_gzip(${kvss_packaging}/changelog ${kvss_generated}/changelog.Debian.gz)
add_custom_target(kvss_changelog ALL DEPENDS ${kvss_generated}/changelog.Debian.gz)
install(FILES ${kvss_generated}/changelog.Debian.gz ${kvss_packaging}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
# lintian tags judged wrong for this package, each with its reason.
install(FILES ${kvss_packaging}/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME kvss)

# The package's control file, but for what scripts/package.sh measures from
# the files themselves (Depends, through dpkg-shlibdeps, and Installed-Size).
set(KVSS_DEB_VERSION ${kvss_deb_version})
set(KVSS_DEB_VIEWER_LINE "")
if(TARGET kvss_viewer)
  set(KVSS_DEB_VIEWER_LINE " And kvss-viewer, a window for looking at one model at a time by hand.")
endif()
configure_file(${kvss_packaging}/control.in ${kvss_generated}/control @ONLY)
