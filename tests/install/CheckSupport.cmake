# Helpers for the install checks: run a program and insist on its exit code
# and on texts in its output.

# run_checked(OUT_VAR [EXPECT text...] COMMAND cmd args...)
function(run_checked out_var)
    cmake_parse_arguments(R "" "" "EXPECT;COMMAND" ${ARGN})
    execute_process(COMMAND ${R_COMMAND} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    string(JOIN " " shown ${R_COMMAND})
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "`${shown}` exited with ${rc}\nstdout:\n${out}\nstderr:\n${err}")
    endif()
    foreach(text IN LISTS R_EXPECT)
        string(FIND "${out}" "${text}" at)
        if(at EQUAL -1)
            message(FATAL_ERROR "`${shown}` did not print \"${text}\"\nstdout:\n${out}\nstderr:\n${err}")
        endif()
    endforeach()
    set(${out_var} "${out}" PARENT_SCOPE)
endfunction()
