# Modara (directly, or through Use Password) makes the modem the link: ARP, BOOTP, DHCP and
# LOCATRA go, in the tree and in the option bits, and the code size is that of a PPP library.
click DHCP
click LOCATRA
click Modara
show tree
show record
show window
answer no
menu new
click DHCP
click Use Password
show window
