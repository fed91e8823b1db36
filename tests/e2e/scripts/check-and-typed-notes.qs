# check runs every check of Generate Project without generating: the defaults choose no
# transport layer.
check
click TCP
check
# A typed value that is not stored as typed, or that breaks a rule, leaves a note.
select Sockets
set 1001 300
set 1008 12abc
set 1003 100
set 1003 1514
set 1002 10
# A MAC byte takes hexadecimal digits only: "ZZ" leaves the byte as it was.
select MAC Addresses
set 1025 ZZ
set 1025 0a
check
# The refusal shows the first finding and brings its page to the front.
select TCP
menu generate
show panel
