# Tests of the game's pictures: the compiled-in GIFs themselves (QtTest) and
# the generator that draws them (Python, when Debian's python3-pil is there).
add_executable(tst_pictures ${CMAKE_CURRENT_LIST_DIR}/pictures/tst_pictures.cpp)
target_link_libraries(tst_pictures PRIVATE lilyhops_pictures Qt6::Gui Qt6::Test)
add_test(NAME pictures COMMAND tst_pictures)
set_tests_properties(pictures PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")

find_program(LILYHOPS_ART_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(LILYHOPS_ART_PYTHON)
  execute_process(COMMAND "${LILYHOPS_ART_PYTHON}" -c "import PIL"
                  RESULT_VARIABLE _lilyhops_no_pil OUTPUT_QUIET ERROR_QUIET)
  if(_lilyhops_no_pil EQUAL 0)
    add_test(NAME pictures_generator
             COMMAND "${LILYHOPS_ART_PYTHON}" -m unittest discover
                     -s "${CMAKE_CURRENT_LIST_DIR}/pictures" -p "test_*.py")
  else()
    message(STATUS "python3-pil not found: the picture generator's test is skipped")
  endif()
endif()
