# Builds zintor-udp-device.wp: a Zintor board on the Lanvik Ethernet controller that takes its
# address from DHCP, resolves names with DNS and announces itself with LOCATRA over UDP. Run
# from this folder:
#   quillon-cli script zintor-udp-device.qs
menu new
click Zintor
click DHCP
click DNS
click LOCATRA
select LOCATRA
set 1001 Greenhouse Sensor
set 1002 Temperature and humidity node
set 1003 Readings sent
set 1008 Alarms raised
select MAC Addresses
set 1028 0A
set 1029 00
set 1030 01
file zintor-udp-device.wp
menu save-as
