# DHCP and BOOTP exclude each other; either pulls in UDP.
click BOOTP
show tree
click DHCP
show tree
show record
