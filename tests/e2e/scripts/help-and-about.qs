# About shows the version line; Help shows the help page beside the program or says it is
# missing.
menu about
menu help
