# The command lines of both programs: unit tests of their parsers and of the
# display check, and the programs themselves run as a player would run them.

find_package(GTest REQUIRED)
include(GoogleTest)

add_executable(lilyhops-cli-tests
  ${CMAKE_CURRENT_LIST_DIR}/cli/GameCommandLineTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cli/RunnerCommandLineTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cli/DisplayCheckTest.cpp)
target_link_libraries(lilyhops-cli-tests PRIVATE lilyhops_gui lilyhops_runner GTest::gtest_main)
gtest_discover_tests(lilyhops-cli-tests TEST_PREFIX "cli.")

find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
  add_test(NAME cli.programs
           COMMAND Python3::Interpreter -m unittest discover -v
                   -s ${CMAKE_CURRENT_LIST_DIR}/cli -p "test_*.py")
  set_tests_properties(cli.programs PROPERTIES
    ENVIRONMENT "LILYHOPS_GAME=$<TARGET_FILE:lilyhops>;LILYHOPS_RUNNER=$<TARGET_FILE:lilyhops-script>;LILYHOPS_VERSION=${PROJECT_VERSION}"
    TIMEOUT 120)
endif()
