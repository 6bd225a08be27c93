# The installed layout and the Debian package made from it (cpack -G DEB in the build
# folder; scripts/package.sh does the whole release). Installed, the program finds its
# sample step table and icon in share/kelvo beside its bin folder and keeps the user's
# own step table and records in ~/.local/share/kelvo.
# SPDX-License-Identifier: GPL-3.0-or-later
include(GNUInstallDirs)
set(KELVO_PACKAGING ${CMAKE_CURRENT_LIST_DIR})

install(TARGETS kelvo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET kelvo-supply-sim)
  install(TARGETS kelvo-supply-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${KELVO_DB} ${KELVO_ICON} DESTINATION ${CMAKE_INSTALL_DATADIR}/kelvo)
install(DIRECTORY ${KELVO_HICOLOR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${KELVO_PACKAGING}/${KELVO_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${KELVO_PACKAGING}/${KELVO_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Debian's places for the licence and the history of the package.
set(KELVO_DOC ${CMAKE_INSTALL_DATADIR}/doc/kelvo)
set(KELVO_CHANGELOG_GZ ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(
  OUTPUT ${KELVO_CHANGELOG_GZ}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
  COMMAND gzip -9nc ${KELVO_PACKAGING}/changelog > ${KELVO_CHANGELOG_GZ}
  DEPENDS ${KELVO_PACKAGING}/changelog
  VERBATIM)
set(KELVO_PACKAGE_FILES ${KELVO_CHANGELOG_GZ})
install(FILES ${KELVO_PACKAGING}/copyright ${KELVO_CHANGELOG_GZ} DESTINATION ${KELVO_DOC})

# Manual pages, made by help2man from each program's --help and --version, which need no
# display.
find_program(KELVO_HELP2MAN help2man)
if(KELVO_HELP2MAN)
  set(KELVO_MAN_DIR ${CMAKE_BINARY_DIR}/packaging/man)
  set(KELVO_MAN_PAGES)
  foreach(page kelvo kelvo-supply-sim)
    if(NOT TARGET ${page})
      continue()
    endif()
    if(page STREQUAL "kelvo")
      set(name "control a programmable DC lab power supply")
    else()
      set(name "a simulated DC lab power supply on a pseudo-terminal, for trying kelvo")
    endif()
    add_custom_command(
      OUTPUT ${KELVO_MAN_DIR}/${page}.1.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${KELVO_MAN_DIR}
      COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY LC_ALL=C.UTF-8
              ${KELVO_HELP2MAN} --no-info --section=1 --name=${name}
              --output=${KELVO_MAN_DIR}/${page}.1 $<TARGET_FILE:${page}>
      COMMAND gzip -9nf ${KELVO_MAN_DIR}/${page}.1
      DEPENDS ${page}
      VERBATIM)
    list(APPEND KELVO_MAN_PAGES ${KELVO_MAN_DIR}/${page}.1.gz)
  endforeach()
  list(APPEND KELVO_PACKAGE_FILES ${KELVO_MAN_PAGES})
  install(FILES ${KELVO_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(STATUS "help2man not found: no manual pages (install-deps.sh test installs it)")
endif()
add_custom_target(kelvo_package_files ALL DEPENDS ${KELVO_PACKAGE_FILES})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kelvo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The KELVO developers")
set(CPACK_PACKAGE_CONTACT "The KELVO developers <kelvo-dev@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control program for a programmable DC lab power supply")
# CPack puts the summary on the first line and indents the rest; an empty line becomes " .".
set(CPACK_PACKAGE_DESCRIPTION
    "KELVO controls a programmable DC lab power supply (0-31 V in 10 mV steps,
0-5.1 A in 1 mA steps) attached through a serial port or a USB-serial
adapter: it sets the voltage and the current limit, switches the output,
shows the readings as numbers and live charts, runs step programs and keeps
a record of every period of output, which it plots and exports as CSV.
Captions in English and Chinese.

The package also holds kelvo-supply-sim, a simulated supply on a
pseudo-terminal for trying the program without hardware.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from the binaries; Qt's SQLite driver, which the step table opens
# through, is a plug-in no binary links to.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite")
# The Chinese captions want a CJK font; the LAN instrument is found through the machine's
# portmapper.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk | fonts-arphic-gkai00mp, rpcbind")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
