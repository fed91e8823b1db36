# Builds custom-ethernet-web.wp: a Vardex board on a custom Ethernet controller (the driver goes
# into the generated custom_ethernet.c) serving web pages over HTTP from 10.0.0.2,
# with 1,024-byte frame buffers, four sockets and room for four pages. Its project builds with make and runs
# on a PC (quillon-cli simulate DIR --host --tap NAME). Run from this folder:
#   quillon-cli script custom-ethernet-web.qs
menu new
click Custom Ethernet Device
click HTTP
select Sockets
set 1001 4
set 1002 1024
set 1003 1024
select IP Addresses
address 1015 10.0.0.1
address 1016 10.0.0.2
address 1017 10.0.0.1
address 1018 255.255.255.0
select Virtual Files
set 1001 4
select MAC Addresses
set 1028 12
set 1029 34
set 1030 57
file custom-ethernet-web.wp
menu save-as
