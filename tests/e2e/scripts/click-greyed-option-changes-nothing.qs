# A click on a greyed or chosen option changes nothing and so is no change to save;
# switching family replaces buffer sizes the user chose only with a message that names them.
click USB FIFO Support
show window
click Vardex
show window
select Sockets
set 1002 1000
click Zintor
select Sockets
show panel
