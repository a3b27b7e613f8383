# SPDX-License-Identifier: MIT
# CPack: `cpack -G DEB` in a release build tree makes lumarel_<version>_<arch>.deb
# from the install rules. The library dependencies come from dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME lumarel)
set(CPACK_PACKAGE_VENDOR "The Lumarel developers")
set(CPACK_PACKAGE_CONTACT "The Lumarel developers <lumarel@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop companion of the Vidmarelle camcorder")
set(CPACK_PACKAGE_DESCRIPTION "Lumarel finds a Vidmarelle camcorder on a serial port, lists \
its pictures, downloads, uploads and deletes them, shows the live picture, and adjusts, saves \
and prints pictures. Includes lumarel-cli and the vidmarelle-sim camera simulator.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://lumarel.example.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Qt platform plugin that draws on X11 and Wayland lives outside the
# libraries the programs link; without it the program cannot open a window.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "desktop-file-utils")
set(CPACK_GENERATOR DEB)
include(CPack)
