# The Debian package: one package, valmor-editor, holding whatever `cmake --install`
# installs (both programs, valmor-demo-data, the man pages and the desktop files). Its
# shared-library dependencies are worked out by dpkg-shlibdeps.
# Build it with: cmake --workflow --preset package
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME valmor-editor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "VALMOR Monster Editor developers")
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
# The windows' stand-in for their design font (src/ui/design_fonts.h): without it the
# captions are drawn in a wider font and cut off.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
