# cmake -DZQREGSVR=<zqregsvr> -DLIBRARY=<built library> -DOUTPUT=<registry> -P shipped_registry.cmake
# Registers LIBRARY into a fresh registry with the real registration, then writes it to OUTPUT
# with the library's folder removed from every value: the container takes a relative library
# path as relative to the registry's own folder.
get_filename_component(library_dir "${LIBRARY}" DIRECTORY)
set(staging "${OUTPUT}.staging")
file(REMOVE "${staging}")
execute_process(COMMAND ${CMAKE_COMMAND} -E env "ZQMARQ_REGISTRY=${staging}"
                        "${ZQREGSVR}" -s "${LIBRARY}"
    RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR NOT EXISTS "${staging}")
    message(FATAL_ERROR "Registering ${LIBRARY} failed: ${status}")
endif()
file(READ "${staging}" text)
string(REPLACE "${library_dir}/" "" text "${text}")
string(REPLACE "${library_dir}" "." text "${text}")
# A path the registration took from elsewhere would tie the tree to this build.
if(text MATCHES "=/")
    message(FATAL_ERROR "The registry of ${LIBRARY} still holds an absolute path")
endif()
file(WRITE "${OUTPUT}" "${text}")
file(REMOVE "${staging}")
