# quillon-cli explain NODE SETTINGS.wp: the node in the configuration of a settings file.
explain
Zintor
examples/modem-ppp-client.wp
