# Builds modem-slip-udp.wp: a Vardex board with the Modara modem that dials out, logs in with a
# name and password and then speaks SLIP: a small UDP device at 10.0.0.2 whose peer is 10.0.0.1.
# Its project builds with make and runs in the simulator (quillon-cli simulate). Run from this
# folder:
#   quillon-cli script modem-slip-udp.qs
menu new
click Modara
click SLIP
click UDP
click Use Password
select Use Password
set 1001 sensor
set 1002 sl1p-l1ne
select Modara
set 1008 5550100
select IP Addresses
address 1015 10.0.0.1
address 1016 10.0.0.2
file modem-slip-udp.wp
menu save-as
