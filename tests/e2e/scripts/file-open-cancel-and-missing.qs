# Open resets to the defaults before its dialog, so a cancelled Open leaves the defaults and
# no file held; a file that cannot be opened is reported and no name is held either.
click HTTP
select Sockets
set 1001 9
file cancel
menu open
show window
show record
file no-such-settings.wp
menu open
show window
# Save with no file held is Save As.
file data/../fresh.wp
menu save
show window
