# The modem page: baud rate greyed and the update button disabled while an adapter is chosen,
# the combos starting on United States and V.90, and their codes copied into the record.
select Modara
show panel
click Modara
show panel
combo 1039 14
combo 1041 3
set 1008 5551234
show record
