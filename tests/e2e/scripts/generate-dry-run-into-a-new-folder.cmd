# A dry run names every file the configuration would create and makes nothing, not even the folder.
# list: out/new
generate
examples/ethernet-web-server.wp
--out
out/new
--dry-run
