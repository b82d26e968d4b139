# An hour of PC playback through the real window on the paced simulator (a minute in CTest).
tessarel_add_bench(soak_bench LIBS tessarel_window tessarel_fakes_ui tessarel_simprocess)
set_tests_properties(soak_bench_quick PROPERTIES TIMEOUT 180)
