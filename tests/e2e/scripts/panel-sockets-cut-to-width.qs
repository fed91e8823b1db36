# The number of sockets is an 8-bit field: 300 does not fit and is not stored, the field keeps
# 3, which generation accepts once the page is left (it goes on to the folder question); 200
# is stored as it is and the socket rule refuses it.
select Sockets
show panel
set 1001 300
show record
select TCP
select Sockets
show panel
click TCP
folder cancel
menu generate
select Sockets
set 1001 200
menu generate
show window
