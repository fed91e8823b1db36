# check on a settings file that breaks three limits: every finding, the count, exit status 1.
check
data/over-limits.wp
