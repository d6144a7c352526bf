# The main window on screen: outline, skin, covering, drive root, missing skin; the language
# chosen from the system locale.
qs_e2e_test(window_e2e window_test.py)
qs_e2e_test(language_e2e language_test.py)
