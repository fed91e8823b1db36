# At the Zintor default of 48 MHz USB FIFO Support stays unavailable, whichever rule shows it
# again: Lanvik, Ethernet or the custom device. Clicking it changes nothing.
click Zintor
click Lanvik
click Ethernet
click Custom Ethernet Device
click USB FIFO Support
show tree
