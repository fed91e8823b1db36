# explain: why a node is as it is, what would lift it, and what choosing it would cost.
explain HTTP
explain DNS
explain Vardex
explain PING
explain Sockets
click Modara
explain Pelmar
explain DHCP
explain USB FIFO Support
explain Modara
click Lanvik
click Zintor
explain USB FIFO Support
explain Pelmar
