# The Debian package of both programs: `cpack -G DEB` in a Release build.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quellmark)
set(CPACK_PACKAGE_VENDOR "The Quellmark developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keyboard stopwatch that logs every press to a CSV file")
# CPack puts the summary above this as the synopsis and indents every line;
# "." stands for an empty line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Quellmark times events from the keyboard: each lap of a runner, each swing
of a pendulum, each time a cooling cup of water reaches the next planned
temperature. Enter or Space starts a measurement and records every later
event as one line on the screen and one row of a CSV data file (Windows code
page 932, CR LF) that opens in a spreadsheet. Every row reaches stable
storage before the next press; failed writes are kept and tried again.
.
The package also holds quellmark-graph, which follows a running measurement
live, fits a straight line or a cooling curve, gives lap statistics and
exports the figure as PNG, SVG or PDF, also from the command line.")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QUELLMARK_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The library packages come from dpkg-shlibdeps; only what no binary links
# is named: Qt's X11 and Wayland plugins, loaded at run time and only
# recommended by Qt's own packages, and fonts, as the windows are all Japanese.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-noto-cjk | fonts-japanese-gothic")
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE
    WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
