# With the custom device as the adapter, Pelmar can be chosen; going back to Lanvik keeps
# Pelmar chosen in the tree, as it stays in the device bits.
click Custom Ethernet Device
click Pelmar
click Lanvik
show tree
show record
