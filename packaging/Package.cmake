# The Debian package: `cpack -G DEB` in a build configured with
# -DCMAKE_INSTALL_PREFIX=/usr gives zk412v_<version>_<arch>.deb. The library
# dependencies are found by dpkg-shlibdeps; the ones loaded at run time (Qt's
# Wayland platform plugin, udev for the device rule) are listed here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zk412v)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "ORVANE ZK412V utility")
set(CPACK_PACKAGE_CONTACT "ORVANE ZK412V utility developers <zk412v@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Configuration utility of the ORVANE ZK412V gaming mouse, keyboard and mousepad")
set(CPACK_PACKAGE_DESCRIPTION
    "Sets the DPI stages, the report rate and pointer settings, and the lighting of the ORVANE \
ZK412V gaming mouse, and the lighting of its keyboard and mousepad. A udev rule lets the \
user logged in at the seat open these devices (and no other).")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-wayland, qt6-qpa-plugins, udev")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei, fonts-inter")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_LIST_DIR}/postinst ${CMAKE_CURRENT_LIST_DIR}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
