"""A link of QuietSpin's window end to end: the title strip reaches the browser (a fake xdg-open
first on PATH records the address that Wine's winebrowser hands it). Which buttons open which page,
and the exit button, are proved in process (tests/win/tray_hotspots_test.cpp)."""
import os
import re
import stat

import harness
from harness import Session, wait_until

WINDOW = (294, 114)
CAPTION = (200, 25)       # PicCaption, the title strip


def configured_hosts():
    """The host names this build was configured with (CMake cache), else the defaults."""
    hosts = {"QS_MAIN_HOST": "www.vantor.example", "QS_ENGLISH_HOST": "www.vantor.example"}
    try:
        with open(os.path.join(harness.BUILD, "CMakeCache.txt")) as f:
            for line in f:
                m = re.match(r"(QS_MAIN_HOST|QS_ENGLISH_HOST):STRING=(.*)", line.strip())
                if m:
                    hosts[m.group(1)] = m.group(2)
    except FileNotFoundError:
        pass
    return hosts


HOSTS = configured_hosts()
MOTHERBOARD_PAGE = f"http://{HOSTS['QS_ENGLISH_HOST']}/products/mb/"


class HotSpotsTest(harness.unittest.TestCase):
    def setUp(self):
        self.s = Session("hotspots")
        self.addCleanup(self.s.close)
        bin_dir = os.path.join(self.s.dir, "bin")
        os.makedirs(bin_dir)
        self.opened_path = os.path.join(self.s.dir, "opened.txt")
        fake = os.path.join(bin_dir, "xdg-open")
        with open(fake, "w") as f:
            f.write(f'#!/bin/sh\necho "$*" >> "{self.opened_path}"\n')
        os.chmod(fake, os.stat(fake).st_mode | stat.S_IXUSR | stat.S_IXGRP | stat.S_IXOTH)
        self.s.env["PATH"] = bin_dir + os.pathsep + self.s.env["PATH"]
        self.p = self.s.start()
        self.w = self.s.main_window(self.p)

    def opened(self):
        try:
            with open(self.opened_path) as f:
                return [line.strip() for line in f if line.strip()]
        except FileNotFoundError:
            return []

    def test_a_press_on_the_title_strip_opens_the_motherboard_page_in_the_browser(self):
        self.s.move(WINDOW[0] + CAPTION[0], WINDOW[1] + CAPTION[1])
        self.s.down()
        wait_until(self.opened, 20, 0.1, "the browser")  # on the press, before any release
        self.s.up()
        self.assertEqual(self.opened()[0], MOTHERBOARD_PAGE)
        self.assertIsNone(self.p.poll())


if __name__ == "__main__":
    harness.main()
