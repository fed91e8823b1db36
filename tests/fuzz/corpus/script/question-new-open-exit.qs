# New, Open and Exit ask "Do you want to save your settings?" while there are changes.
# Cancel changes nothing; No goes on without saving; Yes saves first, and a save that does not
# complete (its dialog cancelled) stops the command.
click HTTP
answer cancel
menu new
show window
answer yes
file cancel
menu new
show window
answer yes
file web.wp
menu new
show window
# Nothing changed since: no question.
file web.wp
menu open
click FTP
answer no
menu new
show window
file web.wp
menu open
click SMTP
answer cancel
menu open
# Yes saves into the held file; the cancelled file dialog then changes nothing more.
answer yes
file cancel
menu open
show window
click TFTP
answer cancel
menu exit
show window
answer no
menu exit
