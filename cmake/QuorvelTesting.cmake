# quorvel_add_test(name SOURCES... [LIBS ...]) adds one GoogleTest program.
# Native programs register every test case with ctest; a windows program is one ctest test, because
# each start under Wine costs seconds.
function(quorvel_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} quorvel_test_support GTest::gtest_main quorvel_options)
    target_compile_definitions(${name} PRIVATE QUORVEL_SOURCE_DIR="${PROJECT_SOURCE_DIR}" QUORVEL_VERSION="${PROJECT_VERSION}")
    if(CMAKE_CROSSCOMPILING)
        add_test(NAME ${name} COMMAND ${name})
        set_tests_properties(${name} PROPERTIES TIMEOUT 900)
    else()
        include(GoogleTest)
        gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
    endif()
endfunction()
