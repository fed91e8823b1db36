# A file whose lines end in CR LF reads every value from its own line: the code-bank flag of
# line 2 (which also chooses "Code Bank Project") and a BOOTP retry count written as -56 (200).
# A file with fewer lines sets only what it holds.
file data/crlf-web.wp
menu open
show tree
show record
file data/short.wp
menu open
show record
