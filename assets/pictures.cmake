# The game's pictures, compiled in as Qt resources: ":/pictures/<name>.gif".
# The GIFs are drawn by tools/art/make_pictures.py and kept in the
# repository, so building needs no drawing tools.
set(LILYHOPS_PICTURES
    about background
    car1 car2 car3 car4 car5 car6 car7 car8 car9 car10
    frog_dead frog_drowned frog_east frog_north frog_south frog_west
    icon log1 log2 log3 pointer_blank time_bar turtle water)

set(_lilyhops_picture_files)
foreach(_stem IN LISTS LILYHOPS_PICTURES)
  list(APPEND _lilyhops_picture_files "${CMAKE_CURRENT_LIST_DIR}/pictures/${_stem}.gif")
endforeach()

add_library(lilyhops_pictures STATIC)
qt_add_resources(lilyhops_pictures "pictures"
  PREFIX "/pictures"
  BASE "${CMAKE_CURRENT_LIST_DIR}/pictures"
  FILES ${_lilyhops_picture_files})
target_link_libraries(lilyhops_pictures PUBLIC Qt6::Core)
