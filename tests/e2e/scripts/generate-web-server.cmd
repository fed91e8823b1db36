# The command line that scripts/run uses when there is no display: the folder is created.
# list: out/web
generate
examples/ethernet-web-server.wp
--out
out/web
