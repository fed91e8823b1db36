# The exact ways to 98 MHz on Vardex, the default settings first (no change).
clock
solve
--family
vardex
--sysclk
98000000
--limit
4
