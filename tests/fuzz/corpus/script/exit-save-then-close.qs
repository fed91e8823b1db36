# Yes saves (Save As when no file is held) and then closes; the saved file loads again.
click HTTP
answer yes
file exit.wp
menu exit
