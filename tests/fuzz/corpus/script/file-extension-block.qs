# The extension block brings back what the 63 lines cannot hold: the Zintor family with its
# clock, DNS, LOCATRA and the texts of the LOCATRA page.
file examples/zintor-udp-device.wp
menu open
show tree
show record
select LOCATRA
show panel
