# Code Bank Project brings Vardex back; a second click on the chosen family or adapter keeps
# the choice and re-applies its buffer profile.
click Pelmar
click Code Bank Project
show tree
show record
select Sockets
set 1002 1000
click Vardex
click Lanvik
show tree
show record
