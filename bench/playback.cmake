# PC playback through the real window: HiResTimer against a re-armed QTimer, same run.
add_executable(playback_bench ${CMAKE_CURRENT_LIST_DIR}/playback_bench.cpp)
target_link_libraries(playback_bench PRIVATE tessarel_formrig)
target_include_directories(playback_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
add_test(NAME playback_bench_quick COMMAND playback_bench --quick)
set_tests_properties(playback_bench_quick PROPERTIES LABELS bench TIMEOUT 120
  ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
