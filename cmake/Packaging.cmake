# Debian packages with CPack: `cpack -G DEB` in a build folder configured
# with CMAKE_INSTALL_PREFIX=/usr makes one package per install component.
# Library dependencies are found by dpkg-shlibdeps; only what no shared
# object shows is written here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME patchwell-tilebay)
set(CPACK_PACKAGE_VENDOR "The patchwell and tilebay developers")
set(CPACK_PACKAGE_CONTACT "Patchwell developers <dev@patchwell.example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL ${PW_PACKAGE_COMPONENTS})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://patchwell.example.org/")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The packages go into <build>/packages.
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)

set(CPACK_DEBIAN_PATCHWELL_PACKAGE_NAME patchwell)
set(CPACK_DEBIAN_PATCHWELL_PACKAGE_SECTION utils)
# patchwell-publish signs with the minisign program.
set(CPACK_DEBIAN_PATCHWELL_PACKAGE_DEPENDS minisign)
set(CPACK_COMPONENT_PATCHWELL_DESCRIPTION
    "application updater that keeps a program's folder up to date
patchwell lies in the folder of the program it serves, fetches the remote
manifest that the local update.ini names and, when a new version is
published, downloads the installer in a window where the user can pause,
resume or cancel, runs it and starts the program again. Updates can be
signed with minisign and arrive as binary patches. Includes patchwell-fetch,
patchwell-verify, patchwell-publish and patchwell-delta.")

set(CPACK_DEBIAN_TILEBAY_PACKAGE_NAME tilebay)
set(CPACK_DEBIAN_TILEBAY_PACKAGE_SECTION x11)
# "Open" and "Open Containing Folder" go through xdg-open.
set(CPACK_DEBIAN_TILEBAY_PACKAGE_RECOMMENDS xdg-utils)
set(CPACK_COMPONENT_TILEBAY_DESCRIPTION
    "desktop drawer panel hanging from the top edge of the screen
tilebay shows the files, folders and launchers of the user's and the
all-users desktop in a narrow panel that drops into view under the pointer
and retracts to its caption strip. Styles set its colours, font, opacity,
docking place and start-up tune; three styles are included.")

set(CPACK_DEBIAN_TILEBAY_WAYLAND_PACKAGE_NAME tilebay-wayland)
set(CPACK_DEBIAN_TILEBAY_WAYLAND_PACKAGE_SECTION x11)
# The module is loaded by tilebay only; Qt's Wayland platform plugin carries the panel's windows.
set(CPACK_DEBIAN_TILEBAY_WAYLAND_PACKAGE_DEPENDS "tilebay (= ${PROJECT_VERSION}), qt6-wayland")
set(CPACK_COMPONENT_TILEBAY_WAYLAND_DESCRIPTION
    "tilebay's drawer as a layer surface on Wayland compositors
On Wayland compositors that offer wlroots' layer shell (sway, KDE Plasma),
this module lets tilebay run on Qt's Wayland platform: the drawer hangs from
the top edge of the chosen output above other windows, drops into view under
the pointer and takes the keyboard on tilebay --toggle. Elsewhere tilebay
runs on XWayland as before. Built against Qt's private Wayland client
headers, which Debian 12 has in bookworm-backports.")

set(CPACK_DEBIAN_DESIGNER_PLUGIN_PACKAGE_NAME patchwell-designer-plugin)
set(CPACK_DEBIAN_DESIGNER_PLUGIN_PACKAGE_SECTION devel)
set(CPACK_COMPONENT_DESIGNER_PLUGIN_DESCRIPTION
    "Qt Designer plugin for patchwell's DownLoad control
Places the DownLoad control, patchwell's HTTP download widget, in Qt
Designer's widget box with its property and about pages, and lets QUiLoader
build forms that hold it.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME libpatchwell-download-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
# Static libraries: what a host program needs to link them is the headers
# and libraries of Qt and libcurl, which no shared object of this package
# can tell dpkg-shlibdeps.
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "qt6-base-dev (>= 6.4), libcurl4-openssl-dev")
set(CPACK_COMPONENT_DEV_DESCRIPTION
    "patchwell's DownLoad control for Qt programs (development files)
The DownLoad control is an HTTP download widget with pause, resume by byte
range, cancel, progress, rate and time-left events. This package holds it as
static libraries with headers and a CMake package:
find_package(PatchwellDownload) and the target PatchwellDownload::widget.")

include(CPack)
