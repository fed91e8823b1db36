# A modem settings file opened while "IP Addresses" is shown keeps its gateway and subnet mask
# when the selection moves on (they are not shown without Ethernet, so nothing is taken from
# the hidden controls).
select IP Addresses
address 1017 10.0.0.254
address 1018 255.255.0.0
click Modara
select Sockets
file modem.wp
menu save-as
menu new
select IP Addresses
file modem.wp
menu open
select Sockets
show window
show record
