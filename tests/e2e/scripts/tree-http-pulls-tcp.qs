# HTTP, FTP and SMTP need TCP; switching TCP off takes the three with it.
click HTTP
click FTP
click SMTP
show tree
click TCP
show tree
show record
