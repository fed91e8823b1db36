# Without Ethernet, BOOTP, DHCP and LOCATRA cannot be chosen: BOOTP and DHCP only show the
# Unavailable image.
click PPP
click BOOTP
click DHCP
click LOCATRA
show tree
show record
