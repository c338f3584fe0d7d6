# The Debian package: `cpack -G DEB` in the build folder makes tarnolix_VERSION_amd64.deb from the
# install rules, with the dependencies that dpkg-shlibdeps finds for the programs.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tarnolix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tarnolix developers")
set(CPACK_PACKAGE_CONTACT "Tarnolix developers <tarnolix@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "graphic effects on live camera video")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CPACK_PACKAGE_CONTACT})
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://tarnolix.example.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own Polish translations, which the standard dialogs load at run time.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-translations-l10n)
# The loopback driver that makes the virtual camera (the processed picture as a V4L2 camera).
set(CPACK_DEBIAN_PACKAGE_SUGGESTS v4l2loopback-dkms)
# The synopsis is the summary above; this is the extended description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Tarnolix takes live video from a web camera, a TV tuner or another V4L2
video-input device, applies one chosen graphic effect to every frame, and
shows the live picture and the processed picture side by side. There are
23 effects: colour, distortion, mirror, noise and pattern effects, and a
background replacement that swaps a chosen background colour for a picture.
A snapshot of the processed picture is saved as a bitmap file. The window
speaks Polish.
.
The package also holds tarnolix-fx, which applies the same effects to
picture files from the command line, and tarnolix-graphs, which shows the
filter graph of a running Tarnolix: formats, connections and frame rates.")

# What a Debian package carries beyond the install rules: compressed manual pages, the licence as
# its copyright file and a changelog. Done on the packaging copy only.
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/DebianDocs.cmake)
set(CPACK_TARNOLIX_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)

include(CPack)
