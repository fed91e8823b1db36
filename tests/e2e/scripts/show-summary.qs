# What a node without a page holds: every node below it, the state of each option and the values
# of the pages and chosen options, as the window's summary shows them.
select Sockets
set 1001 7
click FTP
select Protocol Settings
show summary
select System Settings
show summary
# A leaf holds itself alone.
select UDP
show summary
