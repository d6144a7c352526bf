# QuietSpin in the notification area and its hot spots, driven from outside under Wine + Xvfb.
qs_e2e_test(tray_e2e tray_test.py)
qs_e2e_test(hotspots_e2e hotspots_test.py)
