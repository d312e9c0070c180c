# corvinel_add_test(NAME name SOURCES ... LIBS ... [GUI] [QTEST] [CLI] [TIMEOUT s])
# Every test runs offscreen, in a fixed locale, with its own settings and data
# folders, so no test touches a real user's files.
function(corvinel_add_test)
    cmake_parse_arguments(T "GUI;QTEST;CLI" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} corvinel_test_support)
    if(T_QTEST OR T_GUI)
        target_link_libraries(${T_NAME} PRIVATE Qt6::Test)
    else()
        target_link_libraries(${T_NAME} PRIVATE GTest::gtest GTest::gtest_main)
    endif()
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    # Tests that run corvinel-cli as a child process need it built first.
    if(T_CLI)
        add_dependencies(${T_NAME} corvinel-cli)
        target_compile_definitions(${T_NAME} PRIVATE CORVINEL_CLI_PATH="$<TARGET_FILE:corvinel-cli>")
    endif()
    set(tmp ${CMAKE_CURRENT_BINARY_DIR}/${T_NAME}.home)
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set_tests_properties(${T_NAME} PROPERTIES
        TIMEOUT ${T_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;LANG=C.UTF-8;XDG_CONFIG_HOME=${tmp}/config;XDG_DATA_HOME=${tmp}/data;HOME=${tmp};CORVINEL_TEST_BINARY_DIR=${CMAKE_BINARY_DIR}")
endfunction()
