# check reports what settling changed on stderr as reading warnings, the problems and the
# address warnings (which fail nothing) on stdout.
check
data/settled-bootp-dhcp.wp
