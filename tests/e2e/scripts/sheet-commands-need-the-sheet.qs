# Configure SYSCLK only opens the sheet from the SYSCLK page; without an open sheet a sheet
# command is a script error.
select SYSCLK
press 1010
sheet ok
select Sockets
sheet page Internal Oscillator
