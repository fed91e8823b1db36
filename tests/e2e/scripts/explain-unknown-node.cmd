# An unknown node is a usage error.
explain
Gateway
