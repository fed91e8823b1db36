# File > Export Script writes the session so far as a script (after its save dialog); F1's help
# opens at the selected node's section.
click HTTP
select Sockets
set 1001 5
file session.qs
menu export-script
menu context-help
select TCP
menu context-help
