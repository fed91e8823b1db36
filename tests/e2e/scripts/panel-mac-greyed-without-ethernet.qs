# The MAC bytes can be typed with Ethernet and are shown greyed out without it.
select MAC Addresses
show panel
set 1025 a
set 1030 " 7"
# Three characters are refused by the edit's limit and change nothing.
set 1019 123
show record
click SLIP
select Sockets
select MAC Addresses
show panel
# A disabled control cannot be typed into.
set 1025 12
