# Run by CPack on the staged files before it packs them: strips the programs
# as Debian's own packages are stripped, without the compiler's .comment and
# .note sections that plain stripping leaves behind.
file(GLOB_RECURSE _staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(_file IN LISTS _staged)
  if(IS_SYMLINK "${_file}")
    continue()
  endif()
  file(READ "${_file}" _magic LIMIT 4 HEX)
  if(_magic STREQUAL "7f454c46")
    execute_process(COMMAND strip --remove-section=.comment --remove-section=.note
                            --strip-unneeded "${_file}"
                    COMMAND_ERROR_IS_FATAL ANY)
  endif()
endforeach()
