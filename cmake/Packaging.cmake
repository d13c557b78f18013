# Two Debian packages from the install components: "brelk" needs only the C++ runtime, so a
# machine without Qt or X can use the command-line tool; "brelkexplorer" carries the window.
# Build them with "cpack -G DEB" in a build folder configured with CMAKE_INSTALL_PREFIX=/usr
# (scripts/package.sh does all of it).
set(CPACK_PACKAGE_NAME brelkexplorer)
set(CPACK_PACKAGE_VENDOR "Halde")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Halde <brelkexplorer@halde.example>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.halde.example/brelkexplorer/")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_COMPONENTS_ALL brelk)
if(TARGET brelkexplorer)
    list(APPEND CPACK_COMPONENTS_ALL brelkexplorer)
endif()

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Halde <brelkexplorer@halde.example>")

set(CPACK_DEBIAN_BRELK_PACKAGE_NAME brelk)
set(CPACK_COMPONENT_BRELK_DESCRIPTION
    "command-line tool for Brelk MMC cards of Acorn computers
brelk reads and changes the Brelk on-card filing system of an MMC card used
by Acorn BBC Micro, BBC Master and Electron computers: it lists, adds,
exports, squashes and deletes filing-system ROMs, tools, DFS and ADFS disc
images and tape images, on a card in a reader or on an image file.")

set(CPACK_DEBIAN_BRELKEXPLORER_PACKAGE_NAME brelkexplorer)
set(CPACK_DEBIAN_BRELKEXPLORER_PACKAGE_RECOMMENDS "brelk, udisks2")
set(CPACK_COMPONENT_BRELKEXPLORER_DESCRIPTION
    "desktop manager for Brelk MMC cards of Acorn computers
BrelkExplorer shows the Brelk on-card filing system of an MMC card used by
Acorn BBC Micro, BBC Master and Electron computers as a tree of filing-system
ROMs, tools, disc images and tape images, and adds, exports, renames,
squashes and deletes them. It opens a card in a USB reader without root
rights through UDisks2.")

include(CPack)
