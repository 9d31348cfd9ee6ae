# quorvel_add_test(name SOURCES... [LIBS ...] [SUPPORT library] [PREFIX prefix]) adds one GoogleTest
# program, with the test support library (quorvel_test_support unless SUPPORT names another) and
# its cases registered under PREFIX (none by default).
# Native programs register every test case with ctest; a windows program is one ctest test, because
# each start under Wine costs seconds.
function(quorvel_add_test name)
    cmake_parse_arguments(ARG "" "SUPPORT;PREFIX" "SOURCES;LIBS" ${ARGN})
    if(NOT ARG_SUPPORT)
        set(ARG_SUPPORT quorvel_test_support)
    endif()
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} ${ARG_SUPPORT} GTest::gtest_main quorvel_options)
    target_compile_definitions(${name} PRIVATE QUORVEL_SOURCE_DIR="${PROJECT_SOURCE_DIR}" QUORVEL_VERSION="${PROJECT_VERSION}")
    if(CMAKE_CROSSCOMPILING)
        add_test(NAME ${name} COMMAND ${name})
        set_tests_properties(${name} PROPERTIES TIMEOUT 900)
    else()
        include(GoogleTest)
        gtest_discover_tests(${name} TEST_PREFIX "${ARG_PREFIX}" DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
    endif()
endfunction()
