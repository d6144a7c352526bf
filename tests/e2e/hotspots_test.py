"""The hot spots of QuietSpin's window end to end: the three links reach the browser (a fake
xdg-open first on PATH records the address that Wine's winebrowser hands it) only for the buttons
laid down, and the exit button ends the program at once."""
import os
import re
import stat
import time

import harness
from harness import Session, exited, wait_until

WINDOW = (294, 114)
CAPTION = (200, 25)       # PicCaption, the title strip
STOP = (272, 314)         # Stop on the transport strip: the logo panel takes the movie's place
LOGO = (140, 130)         # imgVantorLogo on the logo panel
MURMEX = (300, 136)       # AniGifMurmex on the logo panel
EXIT = (430, 316)         # picExit
QUIET = 2.0               # how long to wait for an address that must not come


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
# The program names the bare host; Wine's browser launcher hands it on in canonical form, with "/".
HOME_PAGE = f"http://{HOSTS['QS_MAIN_HOST']}/"
MURMEX_PAGE = f"http://{HOSTS['QS_ENGLISH_HOST']}/tech/techinside/Murmex.htm"


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
        time.sleep(0.5)

    def opened(self):
        try:
            with open(self.opened_path) as f:
                return [line.strip() for line in f if line.strip()]
        except FileNotFoundError:
            return []

    def click_at(self, point, button=1):
        self.s.move(WINDOW[0] + point[0] - 3, WINDOW[1] + point[1])
        self.s.move(WINDOW[0] + point[0], WINDOW[1] + point[1])
        self.s.click(button)
        time.sleep(0.6)  # two clicks closer together would make a double click

    def expect_page(self, url, count):
        wait_until(lambda: len(self.opened()) >= count, 15, 0.1, f"browser started for {url}")
        time.sleep(QUIET)
        self.assertEqual(self.opened()[count - 1:], [url])

    def test_title_strip_opens_the_motherboard_page_for_the_left_button_only(self):
        self.click_at(CAPTION, 3)
        self.click_at(CAPTION, 2)
        time.sleep(QUIET)
        self.assertEqual(self.opened(), [], "right and middle buttons open nothing")
        self.s.move(WINDOW[0] + CAPTION[0], WINDOW[1] + CAPTION[1])
        self.s.down()
        self.expect_page(MOTHERBOARD_PAGE, 1)  # on the press, before any release
        self.s.up()
        self.assertIsNone(self.p.poll())

    def test_logos_open_their_pages_for_the_left_button_only(self):
        self.click_at(STOP)
        time.sleep(1.0)
        self.click_at(LOGO, 3)
        self.click_at(LOGO, 2)
        self.click_at(MURMEX, 3)
        time.sleep(QUIET)
        self.assertEqual(self.opened(), [], "right and middle buttons open nothing")
        self.s.move(WINDOW[0] + LOGO[0], WINDOW[1] + LOGO[1])
        self.s.down()
        time.sleep(QUIET)
        self.assertEqual(self.opened(), [], "the maker's logo opens on the release")
        self.s.up()
        self.expect_page(HOME_PAGE, 1)
        time.sleep(0.6)
        self.click_at(MURMEX)
        self.expect_page(MURMEX_PAGE, 2)

    def test_exit_button_ends_the_program_at_once(self):
        self.click_at(EXIT)
        self.assertTrue(exited(self.p, 8), "the exit button unloads without confirmation")
        self.assertEqual(self.opened(), [])
        last = self.s.aspi.executes()[-2:]
        self.assertEqual(len(last), 2)
        for _, _, record in last:
            self.assertEqual(list(record[50:54]), [52] * 4, "the drives are set back to top speed")


if __name__ == "__main__":
    harness.main()
