# cmake -DCLI=... -DSOURCE_DIR=... -DPYTHON3=... -DWORK_DIR=... -P SampleCheck.cmake
include(${CMAKE_CURRENT_LIST_DIR}/CheckSupport.cmake)

set(sample ${SOURCE_DIR}/samples/generated-sample-history.txt)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

# The committed file is what the generator writes.
if(PYTHON3)
    run_checked(ignored COMMAND ${PYTHON3} ${SOURCE_DIR}/samples/generate.py ${WORK_DIR}/regenerated.txt)
    file(SHA256 ${sample} committed)
    file(SHA256 ${WORK_DIR}/regenerated.txt regenerated)
    if(NOT committed STREQUAL regenerated)
        message(FATAL_ERROR "samples/generate.py no longer writes samples/generated-sample-history.txt")
    endif()
endif()

# Every line is a draw.
file(STRINGS ${sample} lines)
list(LENGTH lines count)
if(NOT count EQUAL 2352)
    message(FATAL_ERROR "the sample has ${count} lines, 2352 expected")
endif()

set(data ${WORK_DIR}/data)
run_checked(ignored EXPECT "imported 2352 draws, skipped 0 lines"
    COMMAND ${CLI} --data-dir ${data} --game 544 import ${sample})

# The README's first search: a ranking whose counts add up to its base (a
# number kind gives every matched draw exactly one value per tallied position).
run_checked(out EXPECT "matched draws: " "ranking (base "
    COMMAND ${CLI} --data-dir ${data} --game 544 search --kind number --positions 1 --fixed --prev)
string(REGEX MATCH "matched draws: ([0-9]+)" ignored "${out}")
set(matched ${CMAKE_MATCH_1})
string(REGEX MATCH "ranking \\(base ([0-9]+)\\)\n[^\n]*\n(.*)$" ignored "${out}")
set(base ${CMAKE_MATCH_1})
string(REPLACE "\n" ";" rows "${CMAKE_MATCH_2}")
set(total 0)
set(ranked 0)
foreach(row IN LISTS rows)
    if(row MATCHES "^[0-9]+ +[0-9]+ +([0-9]+) +[0-9.]+%$")
        math(EXPR total "${total} + ${CMAKE_MATCH_1}")
        math(EXPR ranked "${ranked} + 1")
    endif()
endforeach()
if(matched LESS 1 OR ranked LESS 1 OR NOT total EQUAL base)
    message(FATAL_ERROR "ranking over the sample: ${matched} matched, base ${base}, ${ranked} rows counting ${total}:\n${out}")
endif()
file(REMOVE_RECURSE ${WORK_DIR})
