# find: the filter's Enter selects the node whose own text matches before a page that only
# mentions the words, and a query that finds nothing says so and leaves the selection alone.
find sysclk
show panel
find   tcp window  
find nothing like this
show tree
