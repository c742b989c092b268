# linkwatch_test_suite(NAME <exe> SOURCES <files...> LIBS <libs...> [LABELS <labels...>] [ENVIRONMENT <k=v...>])
# builds one GoogleTest executable and registers each of its tests with CTest (the
# executable as one test in a sanitizer build).
function(linkwatch_test_suite)
    cmake_parse_arguments(SUITE "" "NAME" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
    add_executable(${SUITE_NAME} ${SUITE_SOURCES})
    target_link_libraries(${SUITE_NAME} PRIVATE ${SUITE_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
    target_include_directories(${SUITE_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
    set(properties "")
    if(SUITE_LABELS)
        list(APPEND properties LABELS "${SUITE_LABELS}")
    endif()
    if(SUITE_ENVIRONMENT)
        list(APPEND properties ENVIRONMENT "${SUITE_ENVIRONMENT}")
    endif()
    if(LINKWATCH_SANITIZE)
        # An instrumented test process spends about a third of a second
        # starting and scanning for leaks at its end, more than most tests
        # take: under the sanitizers each executable runs whole, in one process.
        add_test(NAME ${SUITE_NAME} COMMAND ${SUITE_NAME} --gtest_brief=1)
        if(properties)
            set_tests_properties(${SUITE_NAME} PROPERTIES ${properties})
        endif()
    else()
        gtest_discover_tests(${SUITE_NAME} DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES PROPERTIES ${properties})
    endif()
endfunction()
