# A node the tree does not have stops the script after what ran before it.
click HTTP
show window
click HTTPS
show window
