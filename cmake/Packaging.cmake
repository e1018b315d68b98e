# The Debian package, made by CPack from the install rules:
#   cmake --workflow --preset package    ->  build-package/zimbrel_<version>_amd64.deb
# Everything installs under /usr; the dependencies come from dpkg-shlibdeps, so they
# name exactly the libraries the programs link.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zimbrel)
set(CPACK_PACKAGE_VENDOR "Quarzlicht Software")
set(CPACK_PACKAGE_CONTACT "Quarzlicht Software <info@quarzlicht.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "shrink the photos of a folder in one go")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Zimbrel writes a reduced JPEG copy of every photo of a folder (JPEG,\n"
  "HEIC/HEIF/AVIF, PNG, WebP), and of its subfolders if wished, into a target\n"
  "folder: at a long-edge size in pixels or a percentage, and at a chosen JPEG\n"
  "quality. The originals are never changed;\n"
  "each copy keeps its photo's colour profile and capture date.\n"
  "\n"
  "The window (in German) is offered as 'Mit Zimbrel verkleinern' in Dolphin and\n"
  "Nemo; the command zimbrel-shrink does the same work in scripts and on servers.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.quarzlicht.example/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
