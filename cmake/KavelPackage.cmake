# The Debian package: `cpack -G DEB` in the build folder, after the build. Its dependencies
# are computed from the binaries, plus the archiver the front-ends drive. Configure the build
# with CMAKE_INSTALL_PREFIX=/usr so that the library folders are Debian's multiarch ones.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kavel32)
set(CPACK_PACKAGE_VENDOR "Kavel32")
set(CPACK_PACKAGE_CONTACT "${KAVEL_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "split a release into floppy-sized volumes, each in its own zip")
# The summary is the synopsis line; this is the text below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Kavel32 splits a directory, a drive or a CD image once into archive volumes
of 1.44 MB, of any multiple of 500,000 bytes, or one archive, and wraps every
volume into a zip of its own with a file_id.diz numbered disk k of n, a
tagged nfo file, an optional extra file or directory and an optional zip
comment. Jobs are saved as .rip scripts and run unattended from the command
line.
.
The package also holds ZQMARQ, the scrolling marquee control library the
main window hosts, with its registration tool, a small container and a Qt
Designer plugin.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# wrar and wace make the volumes with 7-Zip (7zz); zips are written with libzip, so zip and
# unzip are not needed to run. wrar uses a real rar when one is installed.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "7zip")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "rar, unzip")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The marquee widget library lives in the public library folder: the package declares it in
# its shlibs file, and ldconfig runs by trigger.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_SOURCE_DIR}/dist/deb/triggers)
include(CPack)
