# `make package`: the Debian packages morvex-search (component cli) and morvex (component gui),
# built by CPack into the build folder.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME morvex)
set(CPACK_PACKAGE_VENDOR "The Morvex developers")
set(CPACK_PACKAGE_CONTACT "The Morvex developers <developers@morvex.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL cli)
if(MORVEX_GUI)
    list(APPEND CPACK_COMPONENTS_ALL gui)
endif()
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${MORVEX_HOMEPAGE})
# The libraries the binaries link, found by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_CLI_PACKAGE_NAME morvex-search)
set(CPACK_DEBIAN_CLI_DESCRIPTION "search an inventory of oceanographic cruise summary forms
morvex-search searches the KERVOS inventory of cruise summary forms (CSR
forms), kept as plain-text form files named KER????.INF, and writes reports
of the forms that meet every criterion given: project, country, Marsden
squares and IHB areas, operating agency, months, cruise name, ship, chief
scientist, contact and parameter codes, with or without data held at ULMA.
.
For the forms found it writes a summary table and the forms in full as HTML,
a caret-separated table and a form file of the forms found, and, on request,
CSV, JSON Lines, GeoJSON and an SVG map of their Marsden squares.
.
morvex-import turns today's cruise summary records, kept as CSR XML (ISO
19139 with the SeaDataNet extensions), into form files to search, and
morvex-harvest keeps such an inventory up to date from the catalogues
themselves (CSW, OAI-PMH and lists of record addresses), incrementally and
resumably, through an SQLite record store.
.
This package holds the command-line programs, for scripts and terminals.")

set(CPACK_DEBIAN_GUI_PACKAGE_NAME morvex)
# The window needs a platform plugin, which no library names; the reports open through xdg-open.
set(CPACK_DEBIAN_GUI_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_GUI_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_GUI_DESCRIPTION "search an inventory of oceanographic cruise summary forms (desktop)
Morvex searches the KERVOS inventory of cruise summary forms (CSR forms), kept
as plain-text form files named KER????.INF, and writes reports of the forms
that meet every criterion given.
.
In its window the user chooses form files and fills in up to ten criteria,
typed, picked from built-in lists, or clicked as Marsden squares on a map of
the North Atlantic, which also shows where the forms of the last search lie.
The reports open in the web browser and the text editor of the desktop.
.
This package holds the desktop program; morvex-search is the command line.")

include(CPack)
