# The record of a settings file, its library and its code size.
show
examples/modem-ppp-client.wp
