# Flash programming of 1024 steps over a pty: the panel's own share unpaced, the wire time paced.
tessarel_add_bench(flash_bench LIBS tessarel_window tessarel_simprocess)
