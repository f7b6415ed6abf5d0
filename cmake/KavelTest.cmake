# kavel_add_test(NAME name SOURCES ... LIBS ... [GUI])
# One QtTest executable per case group, run by CTest. GUI tests run on the
# offscreen platform so they need no display.
function(kavel_add_test)
    cmake_parse_arguments(T "GUI" "NAME" "SOURCES;LIBS" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE Qt6::Test ${T_LIBS})
    set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    target_compile_definitions(${T_NAME} PRIVATE
        KAVEL_BIN_DIR="${CMAKE_BINARY_DIR}/bin"
        KAVEL_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    set(env "KAVEL32_TEST=1")
    if(T_GUI)
        list(APPEND env "QT_QPA_PLATFORM=offscreen")
    endif()
    set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${env}" TIMEOUT 600)
endfunction()

# Every test_*.cpp of the calling folder becomes one test executable linked to LIBS.
function(kavel_add_test_folder prefix)
    cmake_parse_arguments(F "GUI" "" "LIBS;EXTRA_SOURCES" ${ARGN})
    file(GLOB cases CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/test_*.cpp)
    foreach(src ${cases})
        get_filename_component(stem ${src} NAME_WE)
        if(F_GUI)
            kavel_add_test(NAME ${prefix}_${stem} SOURCES ${src} ${F_EXTRA_SOURCES} LIBS ${F_LIBS} GUI)
        else()
            kavel_add_test(NAME ${prefix}_${stem} SOURCES ${src} ${F_EXTRA_SOURCES} LIBS ${F_LIBS})
        endif()
    endforeach()
endfunction()
