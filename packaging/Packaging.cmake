# What `cmake --install` lays out in the usual places, and the Debian package CPack
# makes of it (the `package` target), which installs under /usr whatever prefix the
# build tree was configured with.
include(GNUInstallDirs)

set(VELTRANO_APP_ID com.brightfold.Veltrano)
set(VELTRANO_HOMEPAGE "https://brightfold.com/veltrano")
# The website serves docs/screenshots/ under this address.
set(VELTRANO_SCREENSHOTS_URL "${VELTRANO_HOMEPAGE}/screenshots")
set(VELTRANO_MAINTAINER "Brightfold <packages@brightfold.com>")
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(VELTRANO_DEBIAN_VERSION "${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}")

# The release is dated by its build number, whose first six digits are yymmdd, so
# that rebuilding a release gives the same files.
string(REGEX REPLACE "^(..)(..)(..).*$" "20\\1-\\2-\\3" VELTRANO_RELEASE_DATE "${VELTRANO_BUILD_NUMBER}")
execute_process(COMMAND date -u -R -d "${VELTRANO_RELEASE_DATE}" OUTPUT_VARIABLE VELTRANO_RELEASE_TIME
                OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)

set(resources ${CMAKE_SOURCE_DIR}/resources)
set(generated ${CMAKE_BINARY_DIR}/packaging)
set(docdir ${CMAKE_INSTALL_DATADIR}/doc/veltrano)

install(TARGETS veltrano veltrano-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# A folder of its own below the private one: CPack calls ldconfig for any shared
# object one level under /usr/lib, and nothing links against this one.
install(TARGETS veltrano-sound LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/veltrano/modules)
install(FILES ${resources}/${VELTRANO_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(${resources}/${VELTRANO_APP_ID}.metainfo.xml.in ${generated}/${VELTRANO_APP_ID}.metainfo.xml @ONLY)
install(FILES ${generated}/${VELTRANO_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${resources}/completion/veltrano-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# The splash's mark is the icon; the fixed sizes are rendered from it here rather
# than kept beside it, so they cannot drift from the drawing.
set(icon_svg ${resources}/images/VtSplash.svg)
install(FILES ${icon_svg} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${VELTRANO_APP_ID}.svg)
set(built_files)
foreach(size 16 22 24 32 48 64 128 256 512)
  set(folder ${generated}/icons/${size}x${size}/apps)
  add_custom_command(OUTPUT ${folder}/${VELTRANO_APP_ID}.png
    COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
    COMMAND veltrano-render-icon ${icon_svg} ${size} ${folder}/${VELTRANO_APP_ID}.png
    DEPENDS veltrano-render-icon ${icon_svg} VERBATIM)
  list(APPEND built_files ${folder}/${VELTRANO_APP_ID}.png)
endforeach()
install(DIRECTORY ${generated}/icons/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)

# Debian wants these compressed without a time stamp (gzip -n), so that the
# package is the same whenever it is built.
function(veltrano_gzip source destination)
  get_filename_component(name ${source} NAME)
  add_custom_command(OUTPUT ${generated}/gz/${name}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${generated}/gz/${name}
    COMMAND gzip -9nf ${generated}/gz/${name}
    DEPENDS ${source} VERBATIM)
  install(FILES ${generated}/gz/${name}.gz DESTINATION ${destination})
  set(built_files ${built_files} ${generated}/gz/${name}.gz PARENT_SCOPE)
endfunction()
veltrano_gzip(${resources}/man/veltrano.1 ${CMAKE_INSTALL_MANDIR}/man1)
veltrano_gzip(${resources}/man/veltrano-cli.1 ${CMAKE_INSTALL_MANDIR}/man1)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.Debian.in ${generated}/changelog.Debian @ONLY)
veltrano_gzip(${generated}/changelog.Debian ${docdir})
add_custom_target(veltrano-package-files ALL DEPENDS ${built_files})

# The copyright file in Debian's machine-readable form carries the bundled font's
# licence as a paragraph: each line indented, empty lines written as " .".
file(READ ${resources}/fonts/LeagueSpartan-OFL.txt font_licence)
string(REGEX REPLACE "^.*License: OFL-1.1\n" "" font_licence "${font_licence}")
string(REGEX REPLACE "\n$" "" font_licence "${font_licence}")
string(REGEX REPLACE "\n" "\n " font_licence " ${font_licence}")
string(REGEX REPLACE "\n *\n" "\n .\n" font_licence "${font_licence}")
string(REGEX REPLACE "\n *\n" "\n .\n" VELTRANO_FONT_LICENSE "${font_licence}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/copyright.in ${generated}/copyright @ONLY)
install(FILES ${generated}/copyright DESTINATION ${docdir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME veltrano)
set(CPACK_PACKAGE_VENDOR Brightfold)
set(CPACK_PACKAGE_CONTACT "${VELTRANO_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tray monitor for the Wi-Fi link of tethered cameras")
set(CPACK_PACKAGE_DESCRIPTION "Veltrano watches the wireless link between a camera and the computer, or up to
two cameras on the studio router (GL.iNet, UniFi consoles with their access
points, Peplink), and warns by colour, text and sound before the link gets too
weak to carry images.

The package holds the tray program and veltrano-cli, the same monitor and its
settings in a terminal. On Wayland sessions its windows run through XWayland,
where the window manager keeps the signal window on top when asked.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS openssh-client)
# A Secret Service keeps the router password; GNOME shows tray icons only with the extension.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gnome-keyring | kwalletmanager, gnome-shell-extension-appindicator")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${VELTRANO_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
