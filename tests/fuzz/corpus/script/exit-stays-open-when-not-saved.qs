# Yes with the save dialog cancelled keeps the window open and the changes unsaved.
click HTTP
answer yes
file cancel
menu exit
show window
answer no
menu exit
