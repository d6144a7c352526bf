# Backdrop, the setup splash, and the installer that shows it.
qs_e2e_test(backdrop_e2e backdrop_test.py)
qs_e2e_test(installer_e2e installer_test.py)
