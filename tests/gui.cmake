# GUI tests of the window on Qt's offscreen platform.
add_executable(test_window gui/test_window.cpp)
target_link_libraries(test_window PRIVATE lilyhops_gui Qt6::Test)
add_test(NAME gui.window COMMAND test_window)
set_tests_properties(gui.window PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")

add_executable(test_rtf gui/test_rtf.cpp)
target_link_libraries(test_rtf PRIVATE lilyhops_gui Qt6::Test)
add_test(NAME gui.rtf COMMAND test_rtf)
set_tests_properties(gui.rtf PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")

add_executable(test_stats gui/test_stats.cpp)
target_link_libraries(test_stats PRIVATE lilyhops_gui Qt6::Test)
add_test(NAME gui.stats COMMAND test_stats)
set_tests_properties(gui.stats PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")

add_executable(test_about gui/test_about.cpp)
target_link_libraries(test_about PRIVATE lilyhops_gui Qt6::Test)
add_test(NAME gui.about COMMAND test_about)
set_tests_properties(gui.about PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")

# Frames: counted on the game's clock and in the window; the scale test runs
# again at a fractional and at a whole-and-a-half scale factor.
add_executable(test_frames gui/test_frames.cpp)
target_link_libraries(test_frames PRIVATE lilyhops_gui Qt6::Test)
add_test(NAME gui.frames COMMAND test_frames)
set_tests_properties(gui.frames PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
foreach(factor 1.5 2.5)
  add_test(NAME gui.frames_scale_${factor} COMMAND test_frames theArtIsDrawnAtAWholeMultipleAndCentred
                                                        framesDrawnInPartsAddUpToTheWholePicture)
  set_tests_properties(gui.frames_scale_${factor} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_SCALE_FACTOR=${factor}")
endforeach()

add_executable(test_wallclock gui/test_wallclock.cpp)
target_link_libraries(test_wallclock PRIVATE lilyhops_gui Qt6::Test)
add_test(NAME gui.wallclock COMMAND test_wallclock)
set_tests_properties(gui.wallclock PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
