# The cost of recording, undoing and bounding the edit history on a full list.
add_executable(history_bench ${CMAKE_CURRENT_LIST_DIR}/history_bench.cpp)
target_link_libraries(history_bench PRIVATE tessarel_formrig)
target_include_directories(history_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
add_test(NAME history_bench_quick COMMAND history_bench --quick)
set_tests_properties(history_bench_quick PROPERTIES LABELS bench TIMEOUT 120
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8")
