# The custom Ethernet device takes Ethernet with it in polled mode; choosing PPP afterwards
# makes the modem the adapter and PPP ends chosen, with no Ethernet device bit left behind.
click Custom Ethernet Device
show tree
show record
click PPP
show tree
show record
