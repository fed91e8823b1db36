# The defaults choose no transport layer: generation is refused, nothing is written.
# list: refused
generate
--out
refused
