# The USB FIFO page tells why the option is unavailable at the Zintor default clock; the SYSCLK
# page names the family's default.
click Zintor
select USB FIFO Support
show panel
click USB FIFO Support
show tree
select SYSCLK
show panel
