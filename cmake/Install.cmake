# SPDX-License-Identifier: MIT
# `cmake --install <build> [--prefix DIR]`: the program with its desktop entry,
# AppStream metainfo, icons and manual page; the command-line front end with its
# manual page; the camera simulator (LUMAREL_INSTALL_SIM=OFF leaves it out); the
# udev rule for USB-serial adapters; the licence. Each program only when this
# configuration builds it. `cpack -G DEB` packs the same files.
include(GNUInstallDirs)

set(resources ${PROJECT_SOURCE_DIR}/resources)
if(TARGET lumarel)
  install(TARGETS lumarel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/docs/lumarel.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${resources}/lumarel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${resources}/org.example.Lumarel.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  foreach(size 16 32 48 64 128 256)
    install(FILES ${resources}/icons/hicolor/${size}x${size}/lumarel.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  install(FILES ${resources}/icons/lumarel.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()
if(TARGET lumarel-cli)
  install(TARGETS lumarel-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/docs/lumarel-cli.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
if(TARGET vidmarelle-sim AND LUMAREL_INSTALL_SIM)
  install(TARGETS vidmarelle-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/docs/vidmarelle-sim.1
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
# udev reads rules from /usr/lib/udev/rules.d (and /lib on older systems):
# the path follows the prefix, so a /usr install puts it where udev looks.
install(FILES ${resources}/60-lumarel-usb-serial.rules DESTINATION lib/udev/rules.d)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/lumarel)

include(cmake/Package.cmake)
