# A file of the plain 63 lines, without the extension block: the family and the modem
# selections stay as Open's defaults left them, and exactly one adapter is chosen as the option
# bits say.
file data/plain-web.wp
menu open
show tree
show record
file data/plain-modem.wp
menu open
show tree
show record
show window
