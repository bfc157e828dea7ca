# The engine benchmark's arithmetic (onsets, steps, timer lateness) on
# made-up signals. Debian's own Python, which has the numpy the benchmark uses.
find_program(LILYHOPS_DEBIAN_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(LILYHOPS_DEBIAN_PYTHON)
  add_test(NAME bench.analysis
           COMMAND ${LILYHOPS_DEBIAN_PYTHON} -m unittest -q test_analysis
           WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}/bench/engine)
  set_tests_properties(bench.analysis PROPERTIES ENVIRONMENT "PYTHONDONTWRITEBYTECODE=1")
endif()
