p cnf 1 1
e 1 0
1 0
