# The whole script is read before anything runs: a malformed line stops it at once.
click HTTP
show window
set 1001 "unterminated
