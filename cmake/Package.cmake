# SPDX-FileCopyrightText: 2026 The Zentrova developers
# SPDX-License-Identifier: GPL-3.0-or-later

# The Debian package: cpack -G DEB in the build folder. tools/check-package.sh
# builds it, checks it with lintian, installs it, starts the program and
# removes it again.

set(ZENTROVA_MAINTAINER_EMAIL "developers@zentrova.org" CACHE STRING
    "Address of the package's maintainer, in its control file, changelog and copyright file")
set(ZENTROVA_MAINTAINER "The Zentrova developers <${ZENTROVA_MAINTAINER_EMAIL}>")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zentrova)
set(CPACK_PACKAGE_VENDOR "The Zentrova developers")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://github.com/zentrova/zentrova")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "psychological self-assessment questionnaires in Simplified Chinese")
set(CPACK_PACKAGE_DESCRIPTION
    "Zentrova offers twenty-two psychological self-assessment questionnaires in
Simplified Chinese: personality, ability and love tests. Pick a test from the
menu, answer its items one at a time, and read your score beside its bands and
interpretations. Results of finished tests can be kept in a private record
file in the user's data folder.")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ZENTROVA_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Libraries come from dpkg-shlibdeps. Added to them: the Qt platform plugins,
# which Qt's GUI library only recommends; Qt's translations, for Chinese
# dialogs; the fonts that the program's font table maps the windows' Chinese
# font names to, and the report's Latin serif (DejaVu Serif); and libpq, named
# too, as a centre's seats and zentrova-centre cannot work without it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libpq5, qt6-qpa-plugins, qt6-translations-l10n, fonts-noto-cjk, fonts-arphic-gkai00mp, fonts-arphic-ukai, fonts-dejavu-core")

# The documents Debian wants beside every package: the copyright file, from
# the same information as the files' REUSE lines, and the changelog, from
# NEWS.md. Both go into /usr/share/doc/zentrova.
set(ZENTROVA_INSTALL_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/zentrova)

file(READ ${CMAKE_SOURCE_DIR}/.reuse/dep5 reuse_dep5)
# Its file groups, without its header paragraph or comments.
string(REGEX REPLACE "^[^\n]+(\n[^\n]+)*\n\n" "" REUSE_DEP5_FILES "${reuse_dep5}")
string(REGEX REPLACE "(^|\n)#[^\n]*" "" REUSE_DEP5_FILES "${REUSE_DEP5_FILES}")
string(STRIP "${REUSE_DEP5_FILES}" REUSE_DEP5_FILES)
file(READ ${CMAKE_CURRENT_LIST_DIR}/copyright.in copyright)
string(REGEX REPLACE "^(#[^\n]*\n)+\n" "" copyright "${copyright}")
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/doc/copyright CONTENT "${copyright}" @ONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/.reuse/dep5 ${CMAKE_CURRENT_LIST_DIR}/copyright.in)
install(FILES ${CMAKE_BINARY_DIR}/doc/copyright DESTINATION ${ZENTROVA_INSTALL_DOCDIR})

set(changelog ${CMAKE_BINARY_DIR}/doc/changelog)
add_custom_command(
    OUTPUT ${changelog}.gz
    COMMAND ${CMAKE_COMMAND} -DNEWS=${CMAKE_SOURCE_DIR}/NEWS.md -DPACKAGE=${CPACK_PACKAGE_NAME}
            -DVERSION=${PROJECT_VERSION} -DMAINTAINER=${ZENTROVA_MAINTAINER}
            -DOUTPUT=${changelog} -P ${CMAKE_CURRENT_LIST_DIR}/news-to-changelog.cmake
    COMMAND ${ZENTROVA_GZIP} ${changelog}
    DEPENDS ${CMAKE_SOURCE_DIR}/NEWS.md ${CMAKE_CURRENT_LIST_DIR}/news-to-changelog.cmake
    COMMENT "Writing the changelog from NEWS.md"
    VERBATIM)
add_custom_target(changelog ALL DEPENDS ${changelog}.gz)
install(FILES ${changelog}.gz DESTINATION ${ZENTROVA_INSTALL_DOCDIR})

# Lintian's notes on the package that are meant as they are, each with its reason.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/lintian-overrides
    DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME ${CPACK_PACKAGE_NAME})

include(CPack)
