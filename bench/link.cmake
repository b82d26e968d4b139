# The serial link over a pty: receive latency to the handler and CPU of an idle board wait.
tessarel_add_bench(link_bench LIBS tessarel_link)
