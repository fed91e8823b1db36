# Generation widens the option bits to the whole set of the chosen library: TCP with TFTP
# links the library that also holds HTTP, and ARP comes with every Ethernet library. The tree
# shows them at once, and a saved file brings back the same tree.
click TCP
click TFTP
# Frame buffers that leave the servers' tables room in the 4 KB of XDATA.
select Sockets
set 1002 1024
set 1003 1024
folder project
menu generate
show tree
show record
file widened.wp
menu save-as
menu new
file widened.wp
menu open
show tree
show window
