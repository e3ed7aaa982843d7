# The Debian package: `cpack -G DEB` in the build folder. Everything goes under /usr; the
# user's settings live in the user's folders, so an upgrade or a removal never touches them.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ostrely)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Ostrely developers")
set(OSTRELY_MAINTAINER "Ostrely developers <maintainers@ostrely.org>" CACHE STRING
  "Maintainer field of the Debian package")
set(CPACK_PACKAGE_CONTACT ${OSTRELY_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "companion program of a classroom document camera")
set(CPACK_PACKAGE_DESCRIPTION
  "Shows the board live from a document camera mounted at a teaching board,
corrected for the slant of the camera, and takes a picture at a key press on
the camera's button board. The pictures of a lesson are listed, exported to a
PDF file, handed to the whiteboard program or shared through a QR code.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(OSTRELY_DEB_VERSION ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Faces with the letters of the Chinese and Arabic packs; without them those texts are empty boxes
# on a desktop that has only Latin faces. DejaVu Sans carries the Arabic letters, the Noto and
# KACST faces shape them better.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "fonts-wqy-microhei | fonts-noto-cjk, fonts-dejavu-core | fonts-noto-core | fonts-kacst")
# The uaccess tag of the device rule is acted on by logind's seat rules.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "systemd | elogind, fonts-noto-core | fonts-kacst")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  ${CMAKE_SOURCE_DIR}/packaging/deb/postinst ${CMAKE_SOURCE_DIR}/packaging/deb/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)
