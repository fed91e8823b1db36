# Cancelling the folder question on the first Generate Project writes nothing and leaves the
# folder empty; the next one asks again. After Select Project Directory, generation asks
# nothing, and generating twice into the same folder writes the same files.
# list: chosen
click HTTP
# Frame buffers that leave the servers' tables room in the 4 KB of XDATA.
select Sockets
set 1002 1024
set 1003 1024
folder cancel
menu generate
show window
folder chosen
menu select-folder
show window
menu generate
menu generate
show window
