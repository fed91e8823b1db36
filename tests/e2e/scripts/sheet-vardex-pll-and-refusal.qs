# On the Vardex sheet: a frequency that is not a whole number keeps its page (and OK) from
# being left; the PLL pre-divider takes two hex digits; OK copies the clock into the record and
# the SYSCLK page shows the new timer reload.
select SYSCLK
press 1010
sheet page External Oscillator
sheet click 3417
sheet set 3409 22.1184
sheet page PLL Setup
sheet ok
show sheet
sheet set 3409 22118400
sheet click 3426
sheet page PLL Setup
sheet set 3818 20
sheet set 3818 02
show sheet
sheet ok
show record
show panel
