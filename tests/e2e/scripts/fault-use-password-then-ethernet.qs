# Use Password chooses the modem; Ethernet then takes the modem's login away with the modem,
# in the tree and in the record, and a saved file brings back neither.
click Use Password
click Ethernet
show tree
show record
file lanvik.wp
menu save-as
menu new
file lanvik.wp
menu open
show tree
