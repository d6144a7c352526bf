# The showcase player and its transport strip, driven with the pointer.
qs_e2e_test(showcase_e2e showcase_test.py)
