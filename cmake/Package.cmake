# The Debian package: cpack -G DEB in the build folder. tools/check-package.sh
# builds it, installs it, starts the program and removes it again.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zentrova)
set(CPACK_PACKAGE_VENDOR "The Zentrova developers")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://github.com/zentrova/Zentrova")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "psychological self-assessment questionnaires in Simplified Chinese")
set(CPACK_PACKAGE_DESCRIPTION
    "Zentrova offers twenty-two psychological self-assessment questionnaires in
Simplified Chinese: personality, ability and love tests. Pick a test from the
menu, answer its items one at a time, and read your score beside its bands and
interpretations. Nothing is stored.")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "The Zentrova developers")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Libraries come from dpkg-shlibdeps. Added to them: the Qt platform plugins,
# which Qt's GUI library only recommends, and the fonts that the program's font
# table maps the windows' Chinese font names to.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, fonts-noto-cjk, fonts-arphic-gkai00mp, fonts-arphic-ukai")

include(CPack)
