# corvinel_add_test(NAME name SOURCES ... LIBS ... [GUI])
# Every test runs offscreen, in a fixed locale, with its own settings and data
# folders, so no test touches a real user's files.
function(corvinel_add_test)
    cmake_parse_arguments(T "GUI;QTEST" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
    add_executable(${T_NAME} ${T_SOURCES})
    target_link_libraries(${T_NAME} PRIVATE ${T_LIBS})
    if(T_QTEST OR T_GUI)
        target_link_libraries(${T_NAME} PRIVATE Qt6::Test)
    else()
        target_link_libraries(${T_NAME} PRIVATE GTest::gtest GTest::gtest_main)
    endif()
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
    set(tmp ${CMAKE_CURRENT_BINARY_DIR}/${T_NAME}.home)
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set_tests_properties(${T_NAME} PROPERTIES
        TIMEOUT ${T_TIMEOUT}
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;LANG=C.UTF-8;XDG_CONFIG_HOME=${tmp}/config;XDG_DATA_HOME=${tmp}/data;HOME=${tmp};CORVINEL_TEST_BINARY_DIR=${CMAKE_BINARY_DIR}")
endfunction()
