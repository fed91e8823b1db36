# Open settles a file whose choices do not fit together (BOOTP with DHCP, no link layer): the
# window counts the settled configuration as modified; a file the rules made is not.
file data/settled-bootp-dhcp.wp
menu open
show window
file data/settled-no-link.wp
answer no
menu open
show window
file examples/ethernet-web-server.wp
answer no
menu open
show window
