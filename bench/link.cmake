# The serial link over a pty: receive latency to the handler and CPU of an idle board wait.
add_executable(link_bench ${CMAKE_CURRENT_LIST_DIR}/link_bench.cpp)
target_link_libraries(link_bench PRIVATE tessarel_link)
target_include_directories(link_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests)
add_test(NAME link_bench_quick COMMAND link_bench --quick)
set_tests_properties(link_bench_quick PROPERTIES LABELS bench TIMEOUT 120)
