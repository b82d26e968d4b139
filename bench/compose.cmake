# Paste of 1000 lines and the editor's part of its undo, beside loading the same lines.
tessarel_add_bench(compose_bench LIBS tessarel_core)
