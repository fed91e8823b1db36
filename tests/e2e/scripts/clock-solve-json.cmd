# The solutions as one JSON document.
clock
solve
--family
zintor
--sysclk
24000000
--limit
2
--json
