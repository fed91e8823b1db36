# Settings whose choices do not fit together are settled on loading and each change is
# reported as a reading warning on the option bits' line; --strict refuses such a file.
show
--strict
data/settled-modem.wp
