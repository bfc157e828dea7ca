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
