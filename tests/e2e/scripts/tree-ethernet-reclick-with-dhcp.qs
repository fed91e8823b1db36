# A second click on Ethernet re-enables the Ethernet services: DHCP shows the Off image but
# stays chosen, and the next click on it turns it off.
click DHCP
click Ethernet
show tree
show record
click DHCP
show tree
show record
