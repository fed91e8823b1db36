# A press on a node's text only moves the selection; a press on its box runs the rules.
select HTTP
show tree
show window
click HTTP
show tree
show window
