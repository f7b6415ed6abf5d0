# kavel_add_test(NAME name SOURCES ... LIBS ... [GUI])
# One QtTest executable per case group, run by CTest. GUI tests run on the
# offscreen platform so they need no display. Every test is labelled unit (ctest -L unit);
# kavel_label_tests relabels the real runs.
function(kavel_add_test)
    cmake_parse_arguments(T "GUI" "NAME" "SOURCES;LIBS" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    # The tests' moc output is included by the test sources; what is left here is nearly empty.
    set_source_files_properties(${CMAKE_CURRENT_BINARY_DIR}/${T_NAME}_autogen/mocs_compilation.cpp
                                TARGET_DIRECTORY ${T_NAME} PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
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
    set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${env}" TIMEOUT 600 LABELS unit)
endfunction()

# kavel_label_tests(LABELS ... TESTS ...): e2e for the groups that run the real program or a
# whole job with the real tools, slow for the longest of them (ctest -LE slow leaves them out).
function(kavel_label_tests)
    cmake_parse_arguments(L "" "" "LABELS;TESTS" ${ARGN})
    set_tests_properties(${L_TESTS} PROPERTIES LABELS "${L_LABELS}")
endfunction()

# kavel_add_test_folder(prefix CASES test_a.cpp ... LIBS ... [EXTRA_SOURCES ...] [GUI])
# Every listed case of the calling folder becomes one test executable linked to LIBS, named
# prefix_<case>.
function(kavel_add_test_folder prefix)
    cmake_parse_arguments(F "GUI" "" "CASES;LIBS;EXTRA_SOURCES" ${ARGN})
    if(NOT F_CASES)
        message(FATAL_ERROR "kavel_add_test_folder(${prefix}) lists no CASES")
    endif()
    set(gui)
    if(F_GUI)
        set(gui GUI)
    endif()
    # Qt's headers are most of a test's compile time: the folder's first case parses them
    # once and the others reuse the result (same libraries, so the same Qt definitions).
    set(headers <QtTest> <QDir> <QFile> <QFileInfo> <QProcess> <QTemporaryDir>)
    if(F_GUI)
        list(APPEND headers <QApplication> <QComboBox> <QLabel> <QLineEdit> <QPushButton>)
    endif()
    set(donor)
    foreach(src ${F_CASES})
        get_filename_component(stem ${src} NAME_WE)
        kavel_add_test(NAME ${prefix}_${stem} SOURCES ${src} ${F_EXTRA_SOURCES}
                       LIBS ${F_LIBS} ${gui})
        if(donor)
            target_precompile_headers(${prefix}_${stem} REUSE_FROM ${donor})
        else()
            target_precompile_headers(${prefix}_${stem} PRIVATE ${headers})
            set(donor ${prefix}_${stem})
        endif()
    endforeach()
endfunction()
