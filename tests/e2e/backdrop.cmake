# Backdrop, the setup splash, and the installer that shows it.
qs_e2e_test(backdrop_e2e backdrop_test.py)
qs_e2e_test(installer_e2e installer_test.py)
# Nine installs and uninstalls: where 32-bit programs run only through an emulator they take
# many minutes.
set_tests_properties(installer_e2e PROPERTIES TIMEOUT 1800)
