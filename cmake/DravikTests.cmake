# dravik_add_tests(LIBS lib...) — every *_test.cpp in the calling folder
# becomes one test program, linked with GoogleTest, the shared test support
# and the given libraries. Tests run headless (Qt's offscreen platform) from
# their own build folder.
function(dravik_add_tests)
    cmake_parse_arguments(ARG "" "" "LIBS;PROPERTIES" ${ARGN})
    file(GLOB test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
    foreach(src ${test_sources})
        get_filename_component(name ${src} NAME_WE)
        get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
        set(target ${folder}_${name})
        add_executable(${target} ${src} ${CMAKE_SOURCE_DIR}/tests/TestEnvironment.cpp)
        set_target_properties(${target} PROPERTIES
            RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/bin)
        target_compile_definitions(${target} PRIVATE
            DRAVIK_TEST_BIN_DIR="${CMAKE_BINARY_DIR}/bin"
            DRAVIK_TEST_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
        target_link_libraries(${target} PRIVATE dravik_testsupport ${ARG_LIBS}
                              GTest::gtest GTest::gtest_main)
        gtest_discover_tests(${target}
            WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
            DISCOVERY_MODE PRE_TEST
            DISCOVERY_TIMEOUT 60
            # One variable only: a list would lose its separators on the way
            # through test discovery; the rest comes from TestEnvironment.cpp.
            PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
                TIMEOUT 300 ${ARG_PROPERTIES})
    endforeach()
endfunction()
