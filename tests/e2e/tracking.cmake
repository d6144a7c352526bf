# The speed selector driven with the real pointer.
qs_e2e_test(tracking_e2e tracking_test.py)
