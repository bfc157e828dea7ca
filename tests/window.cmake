# End-to-end tests of the real window on a private X server (Xvfb), played
# with xdotool as a player would, recorded, and checked with the script runner.

add_test(NAME window.recorded_game
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/window/recorded_game.sh
          $<TARGET_FILE:lilyhops> $<TARGET_FILE:lilyhops-script>
          ${CMAKE_BINARY_DIR}/window-test/recorded_game)
set_tests_properties(window.recorded_game PROPERTIES TIMEOUT 600 LABELS window)

# The window's inputs on Qt's offscreen platform.
add_executable(tst_window_inputs ${CMAKE_CURRENT_LIST_DIR}/window/tst_window_inputs.cpp)
target_link_libraries(tst_window_inputs PRIVATE lilyhops_gui lilyhops_runner Qt6::Test)
add_test(NAME window.inputs COMMAND tst_window_inputs)
set_tests_properties(window.inputs PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" LABELS window)
