# Choosing SLIP makes the modem the adapter on Vardex with the modem's buffer profile and takes
# away ARP, BOOTP and DHCP. The Lanvik device bit goes with the Lanvik adapter.
click Pelmar
click SLIP
show tree
show record
