# Exit right after start, or after saving with nothing changed since, asks nothing.
file kept.wp
menu save-as
menu exit
