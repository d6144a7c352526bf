"""QuietSpin in the notification area, end to end under Wine + Xvfb.

With no system tray on the display, Wine shows the icon in its own "Wine System Tray" window; the
first icon sits about (12, 32) into it. The menu's item texts are read from Wine's menu trace of
the program (the items as drawn), since a popup menu cannot be read from outside the process.
"""
import re

import harness
from harness import Session, exited, wait_until

WINDOW = (294, 114)
MOVIE = (40, 32, 385, 239)      # the showcase area, client pixels


def decode(text):
    return re.sub(r"\\x?([0-9a-f]{4})", lambda m: chr(int(m.group(1), 16)), text)


class TrayTest(harness.unittest.TestCase):
    locale = "en_US.UTF-8"

    def setUp(self):
        # The locale is given to the program alone: the harness's own registry call runs in
        # English, so that its console output stays readable.
        self.s = Session("tray")
        self.addCleanup(self.s.close)
        self.s.env["LC_ALL"] = self.locale
        self.p = self.s.start(env={"WINEDEBUG": "+menu,err+winediag"})
        self.w = self.s.main_window(self.p)
        tray = self.s.window_named("^Wine System Tray$")
        x, y, _, _ = self.s.geometry(tray)
        self.icon = (x + 12, y + 32)

    # -- helpers -------------------------------------------------------------------------------
    def visible(self):
        return self.w in self.s.windows_of(self.p)

    def click_icon(self, button=1):
        self.s.move(*self.icon)
        self.s.click(button)

    def shot_rect(self, rect):
        x, y, w, h = rect
        return (WINDOW[0] + x, WINDOW[1] + y, w, h)

    def menu_window(self):
        for wid in self.s.windows_of(self.p):
            if wid != self.w:
                return wid
        return None

    def drawn_items(self):
        with open(self.p.stderr_path, errors="replace") as f:
            found = re.findall(r'draw_menu_item \{ ID=0x[0-9a-f]+, Text=L"([^"]*)"', f.read())
        return [decode(t) for t in found]

    def open_menu(self):
        self.click_icon(3)
        return wait_until(self.menu_window, 10, 0.1, "tray menu")

    # -- tests ---------------------------------------------------------------------------------
    def test_left_click_hides_then_shows_and_plays(self):
        # That the showcase is paused while hidden is proved in process (TrayIcon tests).
        self.click_icon()
        wait_until(lambda: not self.visible(), 10, 0.1, "window hidden")
        self.click_icon()
        wait_until(self.visible, 10, 0.1, "window shown again")
        shown = self.s.screenshot()
        self.s.shot_when(lambda shot: self.s.crop_differs(shown, shot, *self.shot_rect(MOVIE)), "the movie playing")
        self.assertEqual(self.s.geometry(self.w), (294, 114, 527, 500))

    def test_double_click_toggles_twice(self):
        self.s.move(*self.icon)
        self.s.xdo("click", "--repeat", 2, "--delay", 80, 1)
        # Two toggles leave the window shown, so the next click must hide it.
        self.click_icon()
        wait_until(lambda: not self.visible(), 10, 0.1, "window hidden by the click after the double click")
        self.assertIsNone(self.menu_window())

    def test_right_click_menu_reads_show_and_exit_and_closes_on_a_click_elsewhere(self):
        self.open_menu()
        self.assertEqual(self.drawn_items()[-2:], ["Show", "Exit"])
        self.s.move(900, 700)
        self.s.click(1)
        wait_until(lambda: self.menu_window() is None, 10, 0.1, "menu closed by a click elsewhere")
        self.assertTrue(self.visible())

    def test_show_from_the_menu_brings_a_hidden_window_back(self):
        self.click_icon()
        wait_until(lambda: not self.visible(), 10, 0.1, "window hidden")
        menu = self.open_menu()
        x, y, _, _ = self.s.geometry(menu)
        self.s.move(x + 20, y + 8)
        self.s.click(1)
        wait_until(self.visible, 10, 0.1, "window shown by Show")

    def test_exit_sets_top_speed_and_removes_the_icon(self):
        menu = self.open_menu()
        x, y, _, h = self.s.geometry(menu)
        self.s.move(x + 20, y + h - 10)
        self.s.click(1)
        self.assertTrue(exited(self.p, 15), "Exit ends the program")
        last = self.s.aspi.executes()[-2:]
        self.assertEqual(len(last), 2, "one command per drive at exit")
        for _, _, record in last:
            self.assertEqual(record[48], 0xBB)
            self.assertEqual(list(record[50:54]), [52] * 4)
        wait_until(lambda: not self.s.xdo("search", "--onlyvisible", "--name", "^Wine System Tray$").split(),
                   10, 0.1, "tray icon removed")

    def drag(self, x, y, dx, dy, expected):
        """Drags from client (x, y) by (dx, dy); waits for the window to stand at `expected`."""
        self.s.move(WINDOW[0] + x, WINDOW[1] + y)
        self.s.down()
        for step in range(1, 6):
            self.s.move(WINDOW[0] + x + dx * step // 5, WINDOW[1] + y + dy * step // 5)
        self.s.up()
        wait_until(lambda: self.s.geometry(self.w) == expected, 10, 0.1, f"the window at {expected}")

    def test_dragging_the_upper_block_moves_the_window_and_the_lower_part_does_not(self):
        # A drag that moved the window where it must not would show in the moving drags after it,
        # which end where they must only from the window's first place.
        # Client (100, 400) is the description panel, below the drag block.
        self.drag(100, 400, 40, 30, (*WINDOW, 527, 500))
        # Client (100, 100) lies on the showcase movie, a child control with its own hit testing.
        self.drag(100, 100, 40, 30, (*WINDOW, 527, 500))
        # The panel's own surface right of the movie, inside the block, drags like a title bar.
        self.drag(440, 150, 50, 30, (WINDOW[0] + 50, WINDOW[1] + 30, 527, 500))
        # (460, 290) is the block's last pixel: the window is now 50, 30 further on.
        self.drag(510, 320, -50, -30, (*WINDOW, 527, 500))


class TrayStartTest(harness.unittest.TestCase):
    """The logon task's start, QuietSpin.exe /tray, with level 5 stored by an earlier click."""

    def test_starts_hidden_at_the_stored_level_and_a_second_start_shows_it_and_ends(self):
        s = Session("tray-start", fakeaspi="devices=0:1:5")
        self.addCleanup(s.close)
        s.reg("add", r"HKCU\Software\QuietSpin", "/v", "SpeedLevel", "/t", "REG_DWORD", "/d", "5", "/f")
        tray_shown = lambda: s.xdo("search", "--onlyvisible", "--name", "^Wine System Tray$").split()
        p = s.start(args=("/tray",), shown=tray_shown)
        x, y, _, _ = s.geometry(int(wait_until(tray_shown, 60, 0.1, "the tray icon")[0]))
        icon = (x + 12, y + 32)
        wait_until(s.aspi.executes, 20, 0.1, "the first tick")
        first = s.aspi.executes()[0][2]
        self.assertEqual((first[48], list(first[50:54])), (0xBB, [14] * 4), "level 5's byte at the first tick")
        self.assertEqual(s.windows_of(p), [], "no window")

        # A left click shows the window with the meter at level 5 (bars 0..4 black) and the movie playing.
        s.move(*icon)
        s.click()
        s.main_window(p, timeout=30)
        bar = lambda i: (WINDOW[0] + 214 + 7 * i, WINDOW[1] + 460)
        level_5 = lambda shot: s.pixel(shot, *bar(5)) == (47, 141, 204) and s.pixel(shot, *bar(4)) == (0, 0, 0)
        shown = s.shot_when(level_5, "the meter at level 5", timeout=20)
        x, y, w, h = MOVIE
        s.shot_when(lambda shot: s.crop_differs(shown, shot, WINDOW[0] + x, WINDOW[1] + y, w, h),
                    "the movie playing")

        # Hidden again, then a second start (as by hand): it shows the running one's window and ends.
        s.move(*icon)
        s.click()
        wait_until(lambda: not s.windows_of(p), 10, 0.1, "window hidden")
        second = s.start()
        self.assertTrue(exited(second, 30), "the second start ends")
        self.assertEqual(second.returncode, 0)
        s.main_window(p, timeout=30)
        self.assertIsNone(p.poll(), "the first keeps running")


class TrayChineseTest(TrayTest):
    locale = "zh_TW.UTF-8"

    def test_right_click_menu_reads_show_and_exit_and_closes_on_a_click_elsewhere(self):
        self.open_menu()
        self.assertEqual(self.drawn_items()[-2:], ["顯示主畫面", "結束程式"])


# The Chinese run repeats only the menu: every other case is the same in every language.
for name in [n for n in dir(TrayTest) if n.startswith("test_") and "menu_reads" not in n]:
    setattr(TrayChineseTest, name, None)

if __name__ == "__main__":
    harness.main()
