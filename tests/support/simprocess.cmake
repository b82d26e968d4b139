# The board simulator as a child process: support/SimProcess.h.
add_library(tessarel_simprocess STATIC SimProcess.h SimProcess.cpp)
target_link_libraries(tessarel_simprocess PUBLIC Qt6::Core)
target_compile_definitions(tessarel_simprocess
  PRIVATE TESSAREL_BOARDSIM_PATH="$<TARGET_FILE:tessarel-boardsim>")
add_dependencies(tessarel_simprocess tessarel-boardsim)
