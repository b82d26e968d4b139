# PC playback through the board layer on the paced simulator: changed channels only against a
# whole burst a step.
tessarel_add_bench(changed_bench LIBS tessarel_board tessarel_simprocess)
