# PC playback on the paced simulator: bytes waiting, stop delay and drift, against today's panel.
tessarel_add_bench(line_bench LIBS tessarel_window tessarel_simprocess)
