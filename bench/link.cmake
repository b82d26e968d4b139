# The serial link over a pty: receive latency to the handler and CPU of a transfer waiting idle.
tessarel_add_bench(link_bench LIBS tessarel_board)
