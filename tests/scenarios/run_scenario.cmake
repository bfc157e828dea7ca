# Runs one scenario script through the script runner and compares what it
# writes with the expected files beside the script:
#   NAME.out  exact standard output (required)
#   NAME.err  exact standard error (optional; without it stderr must be empty)
# Header comments at the top of the script:
#   # exit: N        expected exit status (default 0)
#   # argument: X    passed to the runner instead of the script's path; "-"
#                    feeds the script on standard input
#   # input: PATH    standard input comes from PATH (and the argument is "-"
#                    unless given)
#   # output: PATH   standard output goes to PATH (a device such as /dev/full);
#                    NAME.out is then not compared
# Usage: cmake -DRUNNER=... -DSCRIPT=... -DOUT_DIR=... -P run_scenario.cmake

foreach(var RUNNER SCRIPT OUT_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "run_scenario.cmake needs -D${var}=...")
  endif()
endforeach()

get_filename_component(dir "${SCRIPT}" DIRECTORY)
get_filename_component(name "${SCRIPT}" NAME_WE)

set(expected_exit 0)
set(argument "${SCRIPT}")
set(input "")
set(output "")
file(STRINGS "${SCRIPT}" header LIMIT_COUNT 6)
foreach(line IN LISTS header)
  if(line MATCHES "^# exit: *([0-9]+)$")
    set(expected_exit "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^# argument: *(.+)$")
    set(argument "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^# input: *(.+)$")
    set(input "${CMAKE_MATCH_1}")
    if(argument STREQUAL "${SCRIPT}")
      set(argument "-")
    endif()
  elseif(line MATCHES "^# output: *(.+)$")
    set(output "${CMAKE_MATCH_1}")
  endif()
endforeach()

set(input_args)
if(NOT input STREQUAL "")
  set(input_args INPUT_FILE "${input}")
elseif(argument STREQUAL "-")
  set(input_args INPUT_FILE "${SCRIPT}")
endif()
set(output_args OUTPUT_VARIABLE actual_out)
if(NOT output STREQUAL "")
  set(output_args OUTPUT_FILE "${output}")
endif()

execute_process(
  COMMAND "${CMAKE_COMMAND}" -E env LC_ALL=C "${RUNNER}" "${argument}"
  ${input_args}
  ${output_args}
  WORKING_DIRECTORY "${dir}"
  ERROR_VARIABLE actual_err
  RESULT_VARIABLE actual_exit)

file(MAKE_DIRECTORY "${OUT_DIR}")
file(WRITE "${OUT_DIR}/${name}.out" "${actual_out}")
file(WRITE "${OUT_DIR}/${name}.err" "${actual_err}")

find_program(DIFF diff)
set(failed FALSE)

# Reports a difference between an expected file and what the runner wrote.
function(compare what expected_file actual_text actual_file)
  if(EXISTS "${expected_file}")
    file(READ "${expected_file}" expected_text)
  else()
    set(expected_text "")
  endif()
  if(NOT expected_text STREQUAL actual_text)
    message("${name}: ${what} differs from ${expected_file}")
    if(DIFF AND EXISTS "${expected_file}")
      execute_process(COMMAND "${DIFF}" -u "${expected_file}" "${actual_file}")
    else()
      message("--- expected:\n${expected_text}--- got:\n${actual_text}---")
    endif()
    set(failed TRUE PARENT_SCOPE)
  endif()
endfunction()

if(output STREQUAL "")
  compare("standard output" "${dir}/${name}.out" "${actual_out}" "${OUT_DIR}/${name}.out")
endif()
compare("standard error" "${dir}/${name}.err" "${actual_err}" "${OUT_DIR}/${name}.err")
if(NOT actual_exit STREQUAL expected_exit)
  message("${name}: exit status ${actual_exit}, expected ${expected_exit}")
  set(failed TRUE)
endif()
if(failed)
  message(FATAL_ERROR "scenario ${name} failed")
endif()
