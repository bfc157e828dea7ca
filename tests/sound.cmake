# Tests of the real sound control, its file readers and the sounds and songs
# shipped with the game.

# Offscreen windows, and a sound server that is not there, so that Qt finds
# no sound device at once and everything plays silently on the clock.
set(LILYHOPS_SOUND_TEST_ENV
  "QT_QPA_PLATFORM=offscreen"
  "PULSE_SERVER=unix:/nonexistent/lilyhops-tests-have-no-sound-server"
  "PULSE_RUNTIME_PATH=/nonexistent/lilyhops-tests-have-no-sound-server"
)

foreach(name soundfiles soundmixer soundfontsubset qttegosnd soundassets)
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
