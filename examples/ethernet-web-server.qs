# Builds ethernet-web-server.wp: a Vardex board on the Lanvik Ethernet controller serving web
# pages over TCP/HTTP from a fixed address, with 1,024-byte frame buffers so that the firmware's
# buffers, sockets and tables fit the 4 KB of XDATA. Run from this folder:
#   quillon-cli script ethernet-web-server.qs
menu new
click HTTP
select Sockets
set 1001 4
set 1002 1024
set 1003 1024
select HTTP
set 1002 2
select IP Addresses
address 1015 192.168.1.10
address 1016 192.168.1.50
address 1017 192.168.1.1
address 1018 255.255.255.0
select MAC Addresses
set 1028 12
set 1029 34
set 1030 56
select Virtual Files
set 1001 4
file ethernet-web-server.wp
menu save-as
