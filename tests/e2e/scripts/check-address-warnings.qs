# Addresses that cannot work on their network are warnings: check prints them after the
# problems and they refuse nothing. An octet of 300 is not stored and refuses Generate
# Project, naming the field, until it is mended.
click TCP
check
select IP Addresses
address 1016 192.168.1.255
address 1018 255.255.255.0
address 1017 10.0.0.1
check
address 1016 192.168.1.0
check
address 1016 192.168.1.20
address 1017 192.168.1.1
check
address 1016 192.168.1.300
show record
check
menu generate
address 1016 192.168.1.30
check
