# PAP makes PPP the link and brings the modem's buffers, as PPP does. Lanvik afterwards makes
# Ethernet the link again, and its services can be chosen.
click PAP
show record
click Lanvik
show tree
click DHCP
show window
