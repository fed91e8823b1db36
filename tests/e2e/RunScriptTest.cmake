# Runs one script test through the real quillon-cli in a fresh working folder and compares
# what it printed with the expected output.
#
#   -DCLI=<quillon-cli> -DTEST_FILE=<NAME.qs or NAME.cmd> -DEXPECTED=<NAME.out>
#   -DWORK=<working folder> -DSOURCE_DIR=<source tree>
#
# A .qs file is a UI script, run as "quillon-cli script NAME.qs". A .cmd file holds the
# command line, one argument per line. Both may carry "# list: FOLDER" lines: after the run
# the files below FOLDER are listed, so that a test can check what a generation wrote.
#
# The working folder gets copies of examples/ and tests/e2e/data/, so tests use relative
# paths. The compared text is stdout, then stderr, then "exit: N"; the working folder's path
# is written as @WORK@ and the program's folder as @BIN@, so that expected outputs hold no
# machine's paths. With QUILLON_E2E_UPDATE=1 in the environment the expected file is
# rewritten instead (read the diff before committing it).
cmake_minimum_required(VERSION 3.25)

foreach(var CLI TEST_FILE EXPECTED WORK SOURCE_DIR)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "RunScriptTest.cmake: ${var} is not set")
    endif()
endforeach()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
foreach(folder "${SOURCE_DIR}/examples" "${SOURCE_DIR}/tests/e2e/data")
    if(IS_DIRECTORY "${folder}")
        file(COPY "${folder}" DESTINATION "${WORK}")
    endif()
endforeach()

get_filename_component(name "${TEST_FILE}" NAME)
get_filename_component(ext "${TEST_FILE}" LAST_EXT)
file(STRINGS "${TEST_FILE}" lines)
set(listings "")
foreach(line IN LISTS lines)
    if(line MATCHES "^# list: (.+)$")
        list(APPEND listings "${CMAKE_MATCH_1}")
    endif()
endforeach()

if(ext STREQUAL ".qs")
    file(COPY "${TEST_FILE}" DESTINATION "${WORK}")
    set(command "${CLI}" script "${name}")
else()
    set(command "${CLI}")
    foreach(line IN LISTS lines)
        if(NOT line MATCHES "^#" AND NOT line STREQUAL "")
            list(APPEND command "${line}")
        endif()
    endforeach()
endif()

# Generated projects carry the generation time; a fixed one keeps two runs byte-identical.
set(ENV{SOURCE_DATE_EPOCH} 1700000000)
execute_process(COMMAND ${command}
    WORKING_DIRECTORY "${WORK}"
    OUTPUT_VARIABLE out
    ERROR_VARIABLE err
    RESULT_VARIABLE rc)

set(actual "${out}${err}")
foreach(folder IN LISTS listings)
    string(APPEND actual "files in ${folder}:\n")
    if(IS_DIRECTORY "${WORK}/${folder}")
        file(GLOB_RECURSE entries LIST_DIRECTORIES true RELATIVE "${WORK}/${folder}" "${WORK}/${folder}/*")
        list(SORT entries)
        foreach(entry IN LISTS entries)
            if(IS_DIRECTORY "${WORK}/${folder}/${entry}")
                string(APPEND actual "  ${entry}/\n")
            else()
                string(APPEND actual "  ${entry}\n")
            endif()
        endforeach()
    else()
        string(APPEND actual "  (no such folder)\n")
    endif()
endforeach()
string(APPEND actual "exit: ${rc}\n")

get_filename_component(bin_dir "${CLI}" DIRECTORY)
file(REAL_PATH "${WORK}" work_real)
file(REAL_PATH "${bin_dir}" bin_real)
string(REPLACE "${work_real}" "@WORK@" actual "${actual}")
string(REPLACE "${WORK}" "@WORK@" actual "${actual}")
string(REPLACE "${bin_real}" "@BIN@" actual "${actual}")
string(REPLACE "${bin_dir}" "@BIN@" actual "${actual}")

if("$ENV{QUILLON_E2E_UPDATE}" STREQUAL "1")
    file(WRITE "${EXPECTED}" "${actual}")
    message(STATUS "updated ${EXPECTED}")
    return()
endif()

if(NOT EXISTS "${EXPECTED}")
    file(WRITE "${WORK}.actual" "${actual}")
    message(FATAL_ERROR "no expected output ${EXPECTED}; this run printed (also in ${WORK}.actual):\n${actual}")
endif()
file(READ "${EXPECTED}" expected)
if(NOT actual STREQUAL expected)
    file(WRITE "${WORK}.actual" "${actual}")
    execute_process(COMMAND diff -u "${EXPECTED}" "${WORK}.actual" OUTPUT_VARIABLE diff)
    message(FATAL_ERROR "output differs from ${EXPECTED} (actual in ${WORK}.actual):\n${diff}")
endif()
