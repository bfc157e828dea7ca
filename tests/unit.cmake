# Unit tests of the core (the timer scheduler, the numbers of captions) and of
# the script runner's handling of its input and output.

find_package(GTest REQUIRED)
include(GoogleTest)

add_executable(lilyhops-unit-tests
  ${CMAKE_CURRENT_LIST_DIR}/unit/SchedulerTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/unit/NumbersTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/unit/RunnerEdgesTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/unit/RunnerGrammarTest.cpp)
target_link_libraries(lilyhops-unit-tests PRIVATE lilyhops_runner GTest::gtest_main)
set_target_properties(lilyhops-unit-tests PROPERTIES AUTOMOC OFF AUTORCC OFF)
gtest_discover_tests(lilyhops-unit-tests TEST_PREFIX "unit.")
