# The timeline through the real window: its update after an edit and a load of 1024 steps,
# beside the list view's own update and a chart made again, and its share of start-up.
add_executable(timeline_bench ${CMAKE_CURRENT_LIST_DIR}/timeline_bench.cpp)
target_link_libraries(timeline_bench PRIVATE tessarel_formrig)
target_include_directories(timeline_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
add_test(NAME timeline_bench_quick COMMAND timeline_bench --quick)
set_tests_properties(timeline_bench_quick PROPERTIES LABELS bench TIMEOUT 120
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
