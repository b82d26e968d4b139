# PC playback on the paced simulator: bytes waiting, stop delay and drift, against today's panel.
add_executable(line_bench ${CMAKE_CURRENT_LIST_DIR}/line_bench.cpp)
target_link_libraries(line_bench PRIVATE tessarel_ui tessarel_simprocess)
target_include_directories(line_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
add_test(NAME line_bench_quick COMMAND line_bench --quick)
set_tests_properties(line_bench_quick PROPERTIES LABELS bench TIMEOUT 120
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8")
