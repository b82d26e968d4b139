# PC playback on the paced simulator: bytes waiting, stop delay and drift, against the same panel
# never waiting for the line.
tessarel_add_bench(line_bench LIBS tessarel_window tessarel_fakes_ui tessarel_simprocess)
