# The game as it is installed: the install layout, the desktop entry, the
# metainfo and the manual pages, and that the release's number and date agree
# wherever they are written. The package itself is checked by
# tools/check-package.sh, which the test command runs after ctest.
find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
  add_test(NAME release.installed
           COMMAND Python3::Interpreter -m unittest discover -v
                   -s ${CMAKE_CURRENT_LIST_DIR}/release -p "test_*.py")
  set_tests_properties(release.installed PROPERTIES
    ENVIRONMENT "LILYHOPS_SOURCE=${PROJECT_SOURCE_DIR};LILYHOPS_BUILD=${CMAKE_BINARY_DIR};LILYHOPS_VERSION=${PROJECT_VERSION};LILYHOPS_RELEASE_DATE=${LILYHOPS_RELEASE_DATE};LILYHOPS_METAINFO=${LILYHOPS_METAINFO};LILYHOPS_DESKTOP_ENTRY=${LILYHOPS_DESKTOP_ENTRY};LILYHOPS_GAMESDIR=${LILYHOPS_INSTALL_GAMESDIR};LILYHOPS_PROGRAMDIR=${LILYHOPS_INSTALL_PROGRAMDIR}"
    TIMEOUT 120)
endif()
