# The Debian package: one package, valmor-editor, holding whatever `cmake --install`
# installs (both programs, valmor-demo-data, the man pages, the bash completion and the
# desktop files) and the copyright and changelog Debian wants in its doc folder. Its
# shared-library dependencies are worked out by dpkg-shlibdeps. lintian checks it once it
# is built (cmake/Lintian.cmake).
# Build it with: cmake --workflow --preset package
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME valmor-editor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(VALMOR_MAINTAINER "VALMOR Monster Editor developers <maintainers@valmor.example.org>"
    CACHE STRING "The package's maintainer: a name and an e-mail address in angle brackets")
if(NOT VALMOR_MAINTAINER MATCHES "^[^<>]+ <[^<> ]+@[^<> ]+>$")
    message(FATAL_ERROR
        "VALMOR_MAINTAINER must read \"Name <address>\", not \"${VALMOR_MAINTAINER}\"")
endif()
set(CPACK_PACKAGE_CONTACT ${VALMOR_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "editor for the monsters, encounter tables and sprites of the VALMOR game")
# The summary is the package's one-line description; this is the text below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "A desktop editor for the data files of the role-playing game VALMOR: its
monster statistics, its per-map random-encounter tables and its palette
sprites, with a battle damage estimate.
.
The package also holds valmor-data, a command-line tool that exports and
imports the tables as CSV or JSON, turns sprites into PNG images and back and
checks the game files, and valmor-demo-data, which writes an original demo
data set to try them on.")
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The windows' stand-in for their design font (src/editor/design_fonts.h): without it the
# captions are drawn in a wider font and cut off.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/Lintian.cmake)

# The copyright file in Debian's machine-readable form, with the licence text of LICENSE
# from its first paragraph on, each line indented and an empty one written as " .".
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_PACKAGE_NAME})
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
string(REGEX REPLACE "^.*\n\n(Permission)" "\\1" license "${license}")
string(STRIP "${license}" license)
string(REPLACE "\n" "\n " license " ${license}")
string(REPLACE "\n \n" "\n .\n" VALMOR_LICENSE_TEXT "${license}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/debian/copyright.in debian/copyright @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/debian/copyright DESTINATION ${doc_dir})

# The changelog: the package is built from this project's own tree, with no Debian
# revision of its own, so Debian takes it as native and wants the changelog as
# changelog.gz. Its latest entry must be of this version.
set(changelog ${PROJECT_SOURCE_DIR}/cmake/debian/changelog)
file(STRINGS ${changelog} latest LIMIT_COUNT 1)
if(NOT latest MATCHES "^${CPACK_PACKAGE_NAME} \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "cmake/debian/changelog has no entry for version ${PROJECT_VERSION} "
        "at its top: add one")
endif()
valmor_gzip(${changelog} ${PROJECT_BINARY_DIR}/debian/changelog.gz)
add_custom_target(debian_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog.gz)
install(FILES ${PROJECT_BINARY_DIR}/debian/changelog.gz DESTINATION ${doc_dir})
include(CPack)
