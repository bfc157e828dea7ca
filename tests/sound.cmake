# Tests of the real sound control, its file readers and the sounds and songs
# shipped with the game.

# Offscreen windows, and a sound server that is not there, so that Qt finds
# no sound device at once and everything plays silently on the clock.
set(LILYHOPS_SOUND_TEST_ENV
  "QT_QPA_PLATFORM=offscreen"
  "PULSE_SERVER=unix:/nonexistent/lilyhops-tests-have-no-sound-server"
  "PULSE_RUNTIME_PATH=/nonexistent/lilyhops-tests-have-no-sound-server"
)

foreach(name soundfiles soundmixer soundfontsubset qttegosnd soundassets processend deviceclock)
  add_executable(tst_sound_${name} ${CMAKE_CURRENT_LIST_DIR}/sound/tst_${name}.cpp
                 ${CMAKE_CURRENT_LIST_DIR}/sound/SoundTestFiles.h)
  target_link_libraries(tst_sound_${name} PRIVATE lilyhops_sound Qt6::Test)
  target_include_directories(tst_sound_${name} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/sound)
  add_test(NAME sound_${name} COMMAND tst_sound_${name})
  set_tests_properties(sound_${name} PROPERTIES ENVIRONMENT "${LILYHOPS_SOUND_TEST_ENV}"
                       TIMEOUT 180 LABELS sound)
endforeach()
target_compile_definitions(tst_sound_soundassets PRIVATE
  LILYHOPS_ASSETS_DIR="${CMAKE_CURRENT_LIST_DIR}/../assets")

# The committed sounds and songs must be what their sources in tools/sound make.
find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
  add_test(NAME sound_assets_match_sources
           COMMAND Python3::Interpreter ${CMAKE_CURRENT_LIST_DIR}/../tools/sound/check_assets.py)
  set_tests_properties(sound_assets_match_sources PROPERTIES TIMEOUT 300 LABELS sound)
endif()

# The mix by loudness: the meter and its measures, then the committed songs
# and effects rendered the way the game plays them. They run Python only, so
# the sanitizer build leaves them out. They need Debian's numpy and scipy,
# and the mix needs the fluidsynth program and the General MIDI SoundFont.
if(NOT LILYHOPS_SANITIZE)
  find_program(LILYHOPS_SOUND_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
  find_program(LILYHOPS_FLUIDSYNTH fluidsynth)
  if(LILYHOPS_SOUND_PYTHON)
    execute_process(COMMAND "${LILYHOPS_SOUND_PYTHON}" -c "import numpy, scipy"
                    RESULT_VARIABLE _lilyhops_no_numpy OUTPUT_QUIET ERROR_QUIET)
  endif()
  if(LILYHOPS_SOUND_PYTHON AND _lilyhops_no_numpy EQUAL 0)
    add_test(NAME sound_loudness
             COMMAND "${LILYHOPS_SOUND_PYTHON}" -m unittest test_loudness
             WORKING_DIRECTORY ${CMAKE_CURRENT_LIST_DIR}/sound)
    set_tests_properties(sound_loudness PROPERTIES TIMEOUT 120 LABELS sound)
    if(LILYHOPS_FLUIDSYNTH)
      add_test(NAME sound_mix
               COMMAND "${LILYHOPS_SOUND_PYTHON}" -m unittest test_mix
               WORKING_DIRECTORY ${CMAKE_CURRENT_LIST_DIR}/sound)
      set_tests_properties(sound_mix PROPERTIES TIMEOUT 600 LABELS sound PROCESSORS 2)
    else()
      message(STATUS "fluidsynth not found: the test of the mix is skipped")
    endif()
  else()
    message(STATUS "python3-numpy or python3-scipy not found: the loudness tests are skipped")
  endif()
endif()
