# zarn_split_debug(target...): the program's debugging information and symbols
# move to "<program>.debug" beside it, linked by a .gnu_debuglink section; the
# program itself keeps only what runs. Unstripped, the manager is some twenty
# times larger, and the system maps the whole file when it starts a process.
find_program(ZARN_OBJCOPY ${ZARN_TRIPLET}-objcopy REQUIRED)
function(zarn_split_debug)
  foreach(target IN LISTS ARGN)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND ${ZARN_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> $<TARGET_FILE:${target}>.debug
      COMMAND ${ZARN_OBJCOPY} --strip-all --add-gnu-debuglink=$<TARGET_FILE:${target}>.debug
              $<TARGET_FILE:${target}>
      VERBATIM)
  endforeach()
endfunction()
