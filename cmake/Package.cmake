# SPDX-License-Identifier: MIT
# CPack: `cpack -G DEB` in a release build tree makes lumarel_<version>_<arch>.deb
# (the program, lumarel-cli, the udev rule) and lumarel-sim_<version>_<arch>.deb
# (the camera simulator, a test tool) from the install components. The library
# dependencies come from dpkg-shlibdeps. Version and release date: CMakeLists.txt.
set(CPACK_PACKAGE_NAME lumarel)
set(CPACK_PACKAGE_VENDOR "The Lumarel developers")
set(CPACK_PACKAGE_CONTACT "${LUMAREL_MAINTAINER}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL lumarel)
if(TARGET vidmarelle-sim AND LUMAREL_INSTALL_SIM)
  list(APPEND CPACK_COMPONENTS_ALL sim)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://github.com/lumarel/lumarel")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_LUMAREL_PACKAGE_NAME lumarel)
set(CPACK_DEBIAN_LUMAREL_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_LUMAREL_DESCRIPTION "desktop companion of the Vidmarelle camcorder
Lumarel finds a Vidmarelle camcorder on a serial port or USB-serial adapter,
lists its pictures with their previews, downloads, uploads and deletes them,
shows the camera's live picture and takes stills from it. It opens, adjusts,
saves (Exif JPEG, BMP) and prints pictures.
The package also holds lumarel-cli, the camera commands for scripts, and a
udev rule that lowers the latency timer of FTDI USB-serial adapters.")
# The Qt platform plugin that draws on X11 and Wayland lives outside the
# libraries the programs link; without it the program cannot open a window.
set(CPACK_DEBIAN_LUMAREL_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_LUMAREL_PACKAGE_RECOMMENDS "desktop-file-utils")
set(CPACK_DEBIAN_LUMAREL_PACKAGE_SUGGESTS "lumarel-sim")

set(CPACK_DEBIAN_SIM_PACKAGE_NAME lumarel-sim)
set(CPACK_DEBIAN_SIM_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_SIM_DESCRIPTION "simulated Vidmarelle camcorder for trying Lumarel
vidmarelle-sim plays the camera's side of the serial line on a
pseudo-terminal, with generated or given pictures, the live picture and
injectable line faults, so that Lumarel and lumarel-cli can be tried and
tested without a camera.")
set(CPACK_GENERATOR DEB)
include(CPack)
