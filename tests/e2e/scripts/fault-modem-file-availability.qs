# A saved modem configuration opens as it was saved: Pelmar and Zintor, ARP, BOOTP, DHCP and
# LOCATRA unavailable beside the modem.
click PPP
show tree
file modem.wp
menu save-as
menu new
file modem.wp
menu open
show tree
