# PC playback through the real window: HiResTimer against a re-armed QTimer, same run.
tessarel_add_bench(playback_bench LIBS tessarel_formrig)
