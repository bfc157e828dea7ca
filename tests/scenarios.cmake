# One test per scenario script in tests/scenarios: the script runner runs it
# and its output must match the expected files beside it (see
# scenarios/run_scenario.cmake for the conventions).

file(GLOB _lilyhops_scenarios CONFIGURE_DEPENDS "${CMAKE_CURRENT_LIST_DIR}/scenarios/*.script")
foreach(_script IN LISTS _lilyhops_scenarios)
  get_filename_component(_name "${_script}" NAME_WE)
  add_test(NAME scenario.${_name}
    COMMAND "${CMAKE_COMMAND}"
      "-DRUNNER=$<TARGET_FILE:lilyhops-script>"
      "-DSCRIPT=${_script}"
      "-DOUT_DIR=${CMAKE_BINARY_DIR}/scenario-output"
      -P "${CMAKE_CURRENT_LIST_DIR}/scenarios/run_scenario.cmake")
endforeach()

# A script the runner may not read (a file without read permission).
add_test(NAME scenario.error_unreadable_file
  COMMAND sh "${CMAKE_CURRENT_LIST_DIR}/scenarios/unreadable_file.sh" "$<TARGET_FILE:lilyhops-script>")
set_tests_properties(scenario.error_unreadable_file PROPERTIES SKIP_RETURN_CODE 77)
