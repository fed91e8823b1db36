# A custom-device settings file with neither driver mode opens with the mode that generation
# uses for it (interrupt driven), in the tree and in the option bits; the code-size estimate
# changes nothing.
file data/custom-no-mode.wp
menu open
show tree
show record
show window
