# A save that fails (its folder does not exist) is reported as the window reports it; the
# script runs on to its end, a later save succeeds, and the run still ends with status 1.
click HTTP
file no-such-folder/web.wp
menu save-as
show window
file saved.wp
menu save-as
show window
