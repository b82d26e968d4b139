# The sequence bench also drives the commands through the window.
target_link_libraries(sequence_bench PRIVATE tessarel_window)
