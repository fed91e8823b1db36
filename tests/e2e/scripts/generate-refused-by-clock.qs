# Generate Project refuses a clock whose SYSCLK_Init or derived values would be wrong, naming the
# value, its limit and the page to fix it on, and writes nothing; "check" lists every broken
# limit, and the sheet shows each on its page. Solving for 98 MHz puts it right.
# list: project
click TCP
select SYSCLK
press 1010
sheet page External Oscillator
sheet click 3417
sheet set 3409 25000000
sheet page PLL Setup
sheet click 3817
sheet set 3819 10
show sheet
sheet ok
show panel
menu generate
check
# The PLL from the internal oscillator, which SYSCLK_Init would then switch off.
press 1010
sheet solve 98000000
sheet page Internal Oscillator
sheet check 3399 off
show sheet
sheet ok
menu generate
press 1010
sheet solve 98000000
sheet ok
folder project
menu generate
show record
