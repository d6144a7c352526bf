qs_e2e_test(first_run_e2e first_run_test.py)
