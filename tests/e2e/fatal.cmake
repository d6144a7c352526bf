qs_e2e_test(fatal_e2e fatal_test.py)
