# Unit tests of recordings and replays: the input gate and the clock catching
# up before an input, the writer of recordings, and scripts played into a game
# as the runner runs them.

find_package(GTest REQUIRED)
include(GoogleTest)

add_executable(lilyhops-recording-tests
  ${CMAKE_CURRENT_LIST_DIR}/recording/PlayedGame.h
  ${CMAKE_CURRENT_LIST_DIR}/recording/ClockCatchUpTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/recording/RecordingTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/recording/ReplayedScript.h
  ${CMAKE_CURRENT_LIST_DIR}/recording/ReplayTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/recording/ReplayAsRunnerTest.cpp)
# The runner's scenarios, which the replay must run as the runner does.
target_compile_definitions(lilyhops-recording-tests PRIVATE
  LILYHOPS_SCENARIOS="${CMAKE_CURRENT_LIST_DIR}/scenarios")
target_link_libraries(lilyhops-recording-tests PRIVATE lilyhops_recording GTest::gtest_main)
set_target_properties(lilyhops-recording-tests PROPERTIES AUTOMOC OFF AUTORCC OFF)
gtest_discover_tests(lilyhops-recording-tests TEST_PREFIX "recording.")
