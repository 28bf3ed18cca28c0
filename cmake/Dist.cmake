# dist: what a publisher ships, one game folder per sample game:
#   dist/<game>/ZarnLauncher.exe, run.dat (the manager), html/..., the game's
#   files, and game/zsgame.dat (a stand-in game, so that "play" can be tried)
file(GLOB ZARN_SAMPLE_GAMES LIST_DIRECTORIES true ${CMAKE_SOURCE_DIR}/gamefolder/games/*)
set(ZARN_DIST_DIR ${CMAKE_BINARY_DIR}/dist)
set(dist_commands COMMAND ${CMAKE_COMMAND} -E rm -rf ${ZARN_DIST_DIR})
foreach(game_dir ${ZARN_SAMPLE_GAMES})
  get_filename_component(game ${game_dir} NAME)
  set(out ${ZARN_DIST_DIR}/${game})
  list(APPEND dist_commands
    COMMAND ${CMAKE_COMMAND} -E make_directory ${out}
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/gamefolder/common ${out}
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${game_dir} ${out}
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:ZarnLauncher> ${out}/ZarnLauncher.exe
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:ZarnWrapper> ${out}/run.dat
    COMMAND ${CMAKE_COMMAND} -E make_directory ${out}/game
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:demogame> ${out}/game/zsgame.dat)
endforeach()
add_custom_target(dist ${dist_commands}
  DEPENDS ZarnLauncher ZarnWrapper demogame
  COMMENT "Laying out the sample game folders in ${ZARN_DIST_DIR}"
  VERBATIM)
