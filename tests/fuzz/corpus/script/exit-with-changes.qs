# After a change Exit asks; No ends without saving.
click HTTP
answer no
menu exit
