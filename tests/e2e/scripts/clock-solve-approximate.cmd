# No Pelmar setting gives 11 MHz from an 18.432 MHz crystal: the nearest first, ranked by the
# error of 115200 baud among equal clocks; exit status 1.
clock
solve
--family=pelmar
--sysclk=11000000
--ext-osc=18432000
--baud=115200
--limit=4
