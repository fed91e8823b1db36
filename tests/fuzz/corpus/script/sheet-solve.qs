# "sheet solve HZ" clicks the best register settings for a SYSCLK into the pages: on Vardex
# 24.5 MHz is the internal oscillator itself; on Pelmar the fitted crystal halved gives
# 11.0592 MHz. OK keeps what the pages show.
select SYSCLK
press 1010
sheet solve 24500000
show sheet
sheet ok
show panel
click Pelmar
select SYSCLK
press 1010
sheet solve 11059200
show sheet
sheet solve 3000000
show sheet
sheet ok
show record
