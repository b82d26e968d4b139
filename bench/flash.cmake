# Flash programming of 1024 steps over a pty: the panel's own share unpaced, the wire
# time and the CPU paced.
tessarel_add_bench(flash_bench LIBS tessarel_window tessarel_fakes_ui tessarel_simprocess)
