qs_e2e_test(speed_e2e speed_test.py)
