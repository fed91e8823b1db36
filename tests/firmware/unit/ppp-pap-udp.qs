menu new
click Modara
click PPP
click PAP
click UDP
select PAP
set 1001 1
select Modara
set 1008 5550100
select IP Addresses
address 1015 10.0.0.1
address 1016 10.0.0.2
file ppp-pap-udp.wp
menu save-as
