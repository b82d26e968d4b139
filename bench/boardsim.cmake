# Board simulator: bytes per second through its pty, unpaced and paced.
tessarel_add_bench(boardsim_bench LIBS tessarel_simprocess)
