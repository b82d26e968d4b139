# The timeline through the real window: its update after an edit and a load of 1024 steps,
# beside the list view's own update and a chart made again, and its share of start-up.
tessarel_add_bench(timeline_bench LIBS tessarel_formrig Qt6::Charts)
