# Each example opens, keeps its choices and generates its project into its own folder.
# list: web
# list: modem
# list: zintor
file examples/ethernet-web-server.wp
menu open
folder web
menu generate
file examples/modem-ppp-client.wp
menu open
folder modem
menu generate
# Generating the modem project re-read its country and protocol: a change, so Open asks.
answer no
file examples/zintor-udp-device.wp
menu open
folder zintor
menu generate
show tree
