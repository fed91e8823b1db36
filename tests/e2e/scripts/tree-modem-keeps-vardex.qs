# With the modem as the adapter, Pelmar and Zintor cannot be chosen: the clicks change nothing.
click Modara
show record
click Pelmar
click Zintor
show tree
show record
