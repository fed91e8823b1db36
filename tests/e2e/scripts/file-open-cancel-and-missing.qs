# Open asks first while there are changes. Cancel at the question, or at the file dialog after
# No, leaves everything as it was; so does a file that cannot be opened, which is reported.
click HTTP
select Sockets
set 1001 9
answer cancel
menu open
answer no
file cancel
menu open
show window
show record
answer no
file no-such-settings.wp
menu open
show window
# Save with no file held is Save As.
file data/../fresh.wp
menu save
show window
