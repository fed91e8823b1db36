# Cancel drops the working copy: the record and the modified flag stay as they were.
select SYSCLK
press 1010
sheet page Internal Oscillator
sheet click 3395
show sheet
sheet cancel
show window
show record
