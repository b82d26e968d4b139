# The command line on the paced simulator: program against the line time, play against its schedule.
tessarel_add_bench(cli_bench LIBS tessarel_simprocess Qt6::Core Qt6::Test)
target_compile_definitions(cli_bench PRIVATE TESSAREL_CLI_PATH="$<TARGET_FILE:tessarel-cli>")
add_dependencies(cli_bench tessarel-cli)
