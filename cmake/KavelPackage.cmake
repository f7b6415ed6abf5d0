# The Debian packages, from one build: `cpack -G DEB` in the build folder, after the build
# (scripts/package-deb.sh). Configure the build with CMAKE_INSTALL_PREFIX=/usr so that the
# library folders are Debian's multiarch ones.
#   kavel32                 the program, its tools, data and the marquee control component
#   libzqmarq-widget2       the marquee widget library (SONAME libzqmarq-widget.so.2)
#   libzqmarq-widget-dev    its headers, CMake package, pkg-config file and Designer plugin
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL kavel32 zqmarq_library zqmarq_dev)
set(CPACK_COMPONENTS_GROUPING IGNORE)
set(CPACK_PACKAGE_NAME kavel32)
set(CPACK_PACKAGE_VENDOR "Kavel32")
set(CPACK_PACKAGE_CONTACT "${KAVEL_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Each package's synopsis is the first line of its description, the text below it the rest.

set(CPACK_DEBIAN_KAVEL32_PACKAGE_NAME kavel32)
set(CPACK_DEBIAN_KAVEL32_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_KAVEL32_DESCRIPTION
    "split a release into floppy-sized volumes, each in its own zip
Kavel32 splits a directory, a drive or a CD image once into archive volumes
of 1.44 MB, of any multiple of 500,000 bytes, or one archive, and wraps every
volume into a zip of its own with a file_id.diz numbered disk k of n, a
tagged nfo file, an optional extra file or directory and an optional zip
comment. Jobs are saved as .rip scripts and run unattended from the command
line.
.
The package also holds ZQMARQ, the scrolling marquee control the main window
hosts, with its registration tool and a small container.")
# wrar and wace make the volumes with 7-Zip (7zz); zips are written with libzip, so zip and
# unzip are not needed to run. wrar uses a real rar when one is installed; --par2 runs par2.
set(CPACK_DEBIAN_KAVEL32_PACKAGE_DEPENDS "7zip")
set(CPACK_DEBIAN_KAVEL32_PACKAGE_SUGGESTS "par2, rar, unzip")

set(CPACK_DEBIAN_ZQMARQ_LIBRARY_PACKAGE_NAME libzqmarq-widget2)
set(CPACK_DEBIAN_ZQMARQ_LIBRARY_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_ZQMARQ_LIBRARY_DESCRIPTION
    "Qt widget that scrolls text mixed with pictures, fonts and colours
ZqMarquee is a Qt Widgets banner that scrolls marked-up text (pictures,
heading fonts and colours given inline) in any of four directions, as a
ticker: with faded edges, a pause at its home position, buffers, a speed in
pixels per second or per pass, or standing still like a label when its text
fits.
.
This package holds the shared library.")
# The library's symbols are tracked (dist/deb/libzqmarq-widget2.symbols, checked against the
# built library by scripts/package-deb.sh); ldconfig runs by trigger, never from a script.
set(CPACK_DEBIAN_ZQMARQ_LIBRARY_PACKAGE_CONTROL_EXTRA
    ${CMAKE_CURRENT_SOURCE_DIR}/dist/deb/libzqmarq-widget2/symbols
    ${CMAKE_CURRENT_SOURCE_DIR}/dist/deb/libzqmarq-widget2/shlibs
    ${CMAKE_CURRENT_SOURCE_DIR}/dist/deb/libzqmarq-widget2/triggers
    # Our own scripts, so that CPack writes none that calls ldconfig.
    ${CMAKE_CURRENT_SOURCE_DIR}/dist/deb/libzqmarq-widget2/postinst
    ${CMAKE_CURRENT_SOURCE_DIR}/dist/deb/libzqmarq-widget2/postrm)

set(CPACK_DEBIAN_ZQMARQ_DEV_PACKAGE_NAME libzqmarq-widget-dev)
set(CPACK_DEBIAN_ZQMARQ_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_ZQMARQ_DEV_DESCRIPTION
    "Qt widget that scrolls text mixed with pictures - development files
ZqMarquee is a Qt Widgets banner that scrolls marked-up text (pictures,
heading fonts and colours given inline) in any of four directions, as a
ticker.
.
This package holds the headers, the CMake package (find_package(ZQMarq),
target ZQMarq::Widget), the pkg-config file zqmarq-widget and the Qt
Designer plugin.")
set(CPACK_DEBIAN_ZQMARQ_DEV_PACKAGE_DEPENDS
    "libzqmarq-widget2 (= ${PROJECT_VERSION}), qt6-base-dev")
include(CPack)
