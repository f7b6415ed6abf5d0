# Where an installed tree keeps its parts. The programs find each other from their own
# location, through these folders taken relative to the bin folder, so an installed tree works
# under any prefix, with DESTDIR, and wherever it is moved.
include(GNUInstallDirs)

# The outside tools the run starts: private, never in bin (a "size" there would replace
# binutils' own).
set(KAVEL_HELPER_INSTALL_DIR ${CMAKE_INSTALL_LIBEXECDIR}/kavel32)
# Sounds, help, pictures and marquee designs.
set(KAVEL_DATA_INSTALL_DIR ${CMAKE_INSTALL_DATADIR}/kavel32)
# The marquee control library: a component loaded through its registry, not linked, so it
# lives in a folder of its own with the registry shipped beside it.
set(ZQMARQ_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/zqmarq)
set(ZQMARQ_INSTALLED_REGISTRY_NAME components.reg)

# out = the path of dir (relative to the prefix, or absolute) as seen from the bin folder.
function(kavel_path_from_bin out dir)
    if(IS_ABSOLUTE "${dir}")
        set(full "${dir}")
    else()
        set(full "${CMAKE_INSTALL_PREFIX}/${dir}")
    endif()
    file(RELATIVE_PATH relative "${CMAKE_INSTALL_FULL_BINDIR}" "${full}")
    set(${out} "${relative}" PARENT_SCOPE)
endfunction()

kavel_path_from_bin(KAVEL_HELPER_DIR_FROM_BIN ${KAVEL_HELPER_INSTALL_DIR})
kavel_path_from_bin(KAVEL_DATA_DIR_FROM_BIN ${KAVEL_DATA_INSTALL_DIR})
kavel_path_from_bin(ZQMARQ_REGISTRY_FROM_BIN
    ${ZQMARQ_INSTALL_DIR}/${ZQMARQ_INSTALLED_REGISTRY_NAME})
