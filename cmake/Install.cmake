# SPDX-License-Identifier: MIT
# `cmake --install <build> [--prefix DIR]`: the program with its desktop entry,
# AppStream metainfo, icons and manual page; the command-line front end with its
# manual page; the udev rule for USB-serial adapters; the copyright file and
# changelog (component `lumarel`). The camera simulator is a test tool in the
# component `sim` (package lumarel-sim; LUMAREL_INSTALL_SIM=OFF leaves it out).
# Each program only when this configuration builds it. `cpack -G DEB` packs the
# components as two packages.
include(GNUInstallDirs)

set(resources ${PROJECT_SOURCE_DIR}/resources)
set(generated ${PROJECT_BINARY_DIR}/generated/install)
set(LUMAREL_MAINTAINER "The Lumarel developers <lumarel@users.noreply.github.com>")
execute_process(COMMAND date -u -R -d "${LUMAREL_RELEASE_DATE} 12:00"
                OUTPUT_VARIABLE LUMAREL_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
configure_file(${resources}/io.github.lumarel.Lumarel.metainfo.xml.in
               ${generated}/io.github.lumarel.Lumarel.metainfo.xml @ONLY)

# Compressed the Debian way: gzip -9 without name and time stamp, so the same
# text always gives the same bytes.
function(lumarel_gzip file)
  execute_process(COMMAND gzip -9nf ${file} COMMAND_ERROR_IS_FATAL ANY)
endfunction()

configure_file(${resources}/debian/changelog.in ${generated}/changelog @ONLY)
lumarel_gzip(${generated}/changelog)

# Manual pages carry the release's date and version in their .TH line.
function(lumarel_man_page name)
  set(source ${PROJECT_SOURCE_DIR}/docs/${name}.1)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${source})
  file(READ ${source} text)
  string(REGEX REPLACE "\n\\.TH ([^ ]+) 1 \"[^\"]*\" \"[^\"]*\""
         "\n.TH \\1 1 \"${LUMAREL_RELEASE_DATE}\" \"Lumarel ${PROJECT_VERSION}\"" text "${text}")
  file(WRITE ${generated}/${name}.1 "${text}")
  lumarel_gzip(${generated}/${name}.1)
endfunction()

# Every package carries the copyright file and the changelog in its own folder.
function(lumarel_package_docs component package)
  install(FILES ${resources}/debian/copyright ${generated}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endfunction()

if(TARGET lumarel)
  lumarel_man_page(lumarel)
  install(TARGETS lumarel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT lumarel)
  install(FILES ${generated}/lumarel.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
          COMPONENT lumarel)
  install(FILES ${resources}/lumarel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
          COMPONENT lumarel)
  install(FILES ${generated}/io.github.lumarel.Lumarel.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT lumarel)
  foreach(size 16 32 48 64 128 256)
    install(FILES ${resources}/icons/hicolor/${size}x${size}/lumarel.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            COMPONENT lumarel)
  endforeach()
  install(FILES ${resources}/icons/lumarel.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT lumarel)
endif()
if(TARGET lumarel-cli)
  lumarel_man_page(lumarel-cli)
  install(TARGETS lumarel-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT lumarel)
  install(FILES ${generated}/lumarel-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
          COMPONENT lumarel)
endif()
if(TARGET vidmarelle-sim AND LUMAREL_INSTALL_SIM)
  lumarel_man_page(vidmarelle-sim)
  install(TARGETS vidmarelle-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT sim)
  install(FILES ${generated}/vidmarelle-sim.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
          COMPONENT sim)
  lumarel_package_docs(sim lumarel-sim)
endif()
# udev reads rules from /usr/lib/udev/rules.d (and /lib on older systems):
# the path follows the prefix, so a /usr install puts it where udev looks.
install(FILES ${resources}/60-lumarel-usb-serial.rules DESTINATION lib/udev/rules.d
        COMPONENT lumarel)
lumarel_package_docs(lumarel lumarel)

include(cmake/Package.cmake)
