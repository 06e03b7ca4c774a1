# The tables of bench/compare, one module each, and what they share (common, photo,
# net_table, pixel_stats).
