# check on a settings file that passes every check: no finding, exit status 0.
check
examples/ethernet-web-server.wp
