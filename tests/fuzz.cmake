# The invariant fuzz test: random events through the game's core, and a
# player steering toward the bays, with the game's invariants checked after
# every event.

add_executable(lilyhops-fuzz-tests
  ${CMAKE_CURRENT_LIST_DIR}/fuzz/InvariantFuzzTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fuzz/Invariants.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fuzz/Player.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fuzz/RandomEvents.cpp)
target_link_libraries(lilyhops-fuzz-tests PRIVATE lilyhops_runner GTest::gtest_main)
set_target_properties(lilyhops-fuzz-tests PROPERTIES AUTOMOC OFF AUTORCC OFF)
gtest_discover_tests(lilyhops-fuzz-tests TEST_PREFIX "fuzz." PROPERTIES TIMEOUT 600)
