# SPDX-License-Identifier: MIT
# `cpack -G DEB` in a build folder makes velmoro_<version>_amd64.deb from the
# install rules: both programs, their manual pages, the changelog (doc/), the
# desktop entry, icon, MIME type and AppStream metainfo, under /usr. lintian
# finds neither errors nor warnings in it (tests/debian_package.sh).
#
# The package has no maintainer scripts on purpose: Debian refreshes the MIME
# database, the desktop entries' MIME cache and the icon cache through dpkg
# file triggers that shared-mime-info, desktop-file-utils and the icon theme
# packages hold on /usr/share/mime/packages, /usr/share/applications and
# /usr/share/icons/hicolor; installing files there is all it takes.

if(NOT (UNIX AND NOT APPLE))
    return()
endif()

# Debian wants the licence as /usr/share/doc/<package>/copyright.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/velmoro RENAME copyright)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmoro)
set(CPACK_PACKAGE_VENDOR "the Velmoro developers")
set(CPACK_PACKAGE_CONTACT "the Velmoro developers <velmoro@example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "packs theme folders into .tsk theme archives and unpacks them")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_PACKAGE_NAME velmoro)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # velmoro_<version>_<architecture>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The summary above becomes the description's first line.
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Velmoro packs theme resource folders into .tsk theme archives for a mobile\n"
    "music player, and unpacks such archives back into folders. Its window\n"
    "(Chinese user interface) previews an archive's resources before unpacking;\n"
    "velmoro-cli does the same work from scripts.")
# Depends is worked out from the programs' shared libraries by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window's texts are Chinese: a font that has the characters, and Qt's
# own Chinese texts for its standard buttons. Qt's platform plugins come with
# libqt6gui6's recommendations.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei | fonts-noto-cjk, qt6-translations-l10n")

include(CPack)
