# Save As writes the held file; New forgets it and brings the defaults back; Open restores
# the record and the tree, modem selections and family included.
click Zintor
click DNS
select Sockets
set 1001 6
select IP Addresses
address 1016 10.0.0.7
select Modara
combo 1039 14
set 1008 5551234
file saved.wp
menu save-as
show window
menu new
show window
show record
file saved.wp
menu open
show window
show tree
show record
