# Board simulator: bytes per second through its pty, unpaced and paced.
add_executable(boardsim_bench boardsim_bench.cpp)
target_link_libraries(boardsim_bench PRIVATE tessarel_simprocess)
target_include_directories(boardsim_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
add_test(NAME boardsim_bench_quick COMMAND boardsim_bench --quick)
set_tests_properties(boardsim_bench_quick PROPERTIES LABELS bench TIMEOUT 120)
