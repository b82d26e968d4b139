# The cost of recording, undoing and bounding the edit history on a full list.
tessarel_add_bench(history_bench LIBS tessarel_formrig)
