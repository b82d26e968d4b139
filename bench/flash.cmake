# Flash programming of 1024 steps over a pty: the panel's own share unpaced, the wire time paced.
add_executable(flash_bench ${CMAKE_CURRENT_LIST_DIR}/flash_bench.cpp)
target_link_libraries(flash_bench PRIVATE tessarel_ui tessarel_simprocess)
target_include_directories(flash_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
add_test(NAME flash_bench_quick COMMAND flash_bench --quick)
set_tests_properties(flash_bench_quick PROPERTIES LABELS bench TIMEOUT 120
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8")
