# A family that does not exist is a usage error.
clock
solve
--family
quartz
--sysclk
1000000
