# The game's sound effects and songs. The game reads them from its own folder,
# so they are copied beside the built game (again whenever one changes) and
# installed beside the installed one. They are made by tools/sound/ and kept
# in the repository, so building needs no generator.
set(LILYHOPS_SOUND_FILES
  ${CMAKE_CURRENT_LIST_DIR}/sounds/move.wav
  ${CMAKE_CURRENT_LIST_DIR}/sounds/killoff.wav
  ${CMAKE_CURRENT_LIST_DIR}/sounds/gameover.wav
  ${CMAKE_CURRENT_LIST_DIR}/sounds/success.wav
  ${CMAKE_CURRENT_LIST_DIR}/music/OrigBogt.mid
  ${CMAKE_CURRENT_LIST_DIR}/music/Pelto64.mid
  ${CMAKE_CURRENT_LIST_DIR}/music/VraxHeav.mid
  ${CMAKE_CURRENT_LIST_DIR}/music/TollBrdg.mid
)

set(lilyhops_sound_copies)
foreach(source ${LILYHOPS_SOUND_FILES})
  get_filename_component(name ${source} NAME)
  add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/${name}
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${CMAKE_BINARY_DIR}/${name}
    DEPENDS ${source}
    COMMENT "Putting ${name} beside the game"
    VERBATIM)
  list(APPEND lilyhops_sound_copies ${CMAKE_BINARY_DIR}/${name})
endforeach()
add_custom_target(lilyhops_sound_files ALL DEPENDS ${lilyhops_sound_copies})

install(FILES ${LILYHOPS_SOUND_FILES} DESTINATION ${LILYHOPS_INSTALL_PROGRAMDIR})
