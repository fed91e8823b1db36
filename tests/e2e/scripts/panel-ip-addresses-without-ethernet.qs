# With Ethernet the page shows four addresses; without it only destination and source, and
# the gateway and subnet mask typed earlier stay in the record.
select IP Addresses
show panel
address 1015 10.0.0.1
address 1016 10.0.0.7
address 1017 10.0.0.254
address 1018 255.255.0.0
select Sockets
click PPP
select IP Addresses
show panel
address 1016 192.168.1.2
select Sockets
show record
