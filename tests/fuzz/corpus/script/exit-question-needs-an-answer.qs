# A dialog the script has not answered stops the run with status 2.
click HTTP
menu exit
show window
