# USB FIFO Support needs a SYSCLK of 24 MHz or less: unavailable at the Zintor default of
# 48 MHz, available once the sheet divides the clock multiplier by two.
click Zintor
click USB FIFO Support
select SYSCLK
press 1010
show sheet
sheet page SYSCLK Select
sheet click 6796
show sheet
sheet ok
show window
click USB FIFO Support
show tree
show record
select USB FIFO Support
show panel
