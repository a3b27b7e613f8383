# `cmake --install <build> [--prefix DIR]`: the program with its desktop entry
# and icon, the command-line front end with its manual page, and the camera
# simulator. Each part only when this configuration builds it.
include(GNUInstallDirs)

if(TARGET lumarel)
  install(TARGETS lumarel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/resources/lumarel.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  # The frame's icon (resource FRAME_ICON) under the name the desktop entry uses.
  install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/FRAME_ICON.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps RENAME lumarel.png)
endif()
if(TARGET lumarel-cli)
  install(TARGETS lumarel-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/docs/lumarel-cli.1
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
if(TARGET vidmarelle-sim)
  install(TARGETS vidmarelle-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
