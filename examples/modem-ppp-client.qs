# Builds modem-ppp-client.wp: a Vardex board with the Modara modem that dials out over PPP,
# authenticates with PAP and sends e-mail over TCP/SMTP, with 400-byte frame buffers and a
# 256-byte SMTP buffer so that the firmware's buffers, sockets and tables fit the 4 KB of XDATA.
# Run from this folder:
#   quillon-cli script modem-ppp-client.qs
menu new
click PAP
click SMTP
select Modara
combo 1039 39
combo 1041 2
set 1008 5551234
select PAP
set 1001 1
select Sockets
set 1002 400
set 1003 400
select SMTP
set 1001 256
address 1016 10.1.2.3
select IP Addresses
address 1015 10.1.2.1
address 1016 10.1.2.77
file modem-ppp-client.wp
menu save-as
