"""The speed selector as a user drives it: the real pointer moved with xdotool over QuietSpin under
Wine, what the test ASPI layer receives and when (a click applies the level at once, the 2 s timer
applies it in any case), which control takes a release, and the transport overlay and its tooltip
on screen. The rules behind them are proved in process (tests/win/tracking_test.cpp)."""
import os
import re
import subprocess
import unittest

import harness
from harness import Session, wait_until

TICK_MS = 2000
OVERLAY_W, OVERLAY_H = 41, 33


# -- pictures ----------------------------------------------------------------------------------
def rgb_of(path, crop=None):
    """(width, height, rgb bytes) of a picture, or of a rectangle (x, y, w, h) of it."""
    args = [harness.CONVERT, path]
    if crop:
        x, y, w, h = crop
        args += ["-crop", f"{w}x{h}+{x}+{y}", "+repage"]
    ppm = subprocess.run(args + ["-depth", "8", "ppm:-"], capture_output=True, check=True).stdout
    m = re.match(rb"P6\s+(\d+)\s+(\d+)\s+(\d+)\s", ppm)
    return int(m.group(1)), int(m.group(2)), ppm[m.end():]


def mean_error(a, b):
    assert a[:2] == b[:2], f"sizes differ: {a[:2]} and {b[:2]}"
    return sum(abs(u - v) for u, v in zip(a[2], b[2])) / len(a[2])


# Two JPEG decoders round differently, so a picture on the screen is matched on average.
MAX_MEAN_ERROR = 6.0


class QuietSpinWindow:
    """QuietSpin running in a session, driven in client coordinates of its main window."""

    def __init__(self, session):
        self.s = session
        self.proc = session.start()
        self.wid = session.main_window(self.proc)
        self.left, self.top = session.geometry(self.wid)[:2]
        wait_until(self.speeds, 10, what="the first timer tick")

    def at(self, x, y):
        self.s.move(self.left + x, self.top + y)

    def screen_rect(self, x, y, w, h):
        return (self.left + x, self.top + y, w, h)

    def speeds(self):
        """(ms, speed byte) of every SET CD SPEED the first drive received."""
        return [(ms, cdb[50]) for ms, target, cdb in self.s.aspi.executes() if target == "0:1"]

    def request(self, index, timeout):
        """The index-th request to the first drive, waiting for it."""
        return wait_until(lambda: self.speeds()[index] if len(self.speeds()) > index else None,
                          timeout, 0.02, f"request {index}")

    def next_tick(self):
        """The next request, while nothing but the timer sends: (index, ms, byte)."""
        n = len(self.speeds())
        ms, byte = self.request(n, TICK_MS / 1000 + 8)
        return n, ms, byte

    def overlay_shows(self, left, picture):
        """Waits until the overlay at (left, 306) shows the picture; fails after 10 s."""
        expected = rgb_of(picture)
        rect = self.screen_rect(left, 306, OVERLAY_W, OVERLAY_H)
        wait_until(lambda: mean_error(rgb_of(self.s.screenshot(), rect), expected) < MAX_MEAN_ERROR,
                   10, 0.05, f"{os.path.basename(picture)} at ({left}, 306)")

    def visible_windows(self):
        return set(self.s.windows_of(self.proc))


class Tracking(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.session = Session("tracking")
        try:
            cls.app = QuietSpinWindow(cls.session)
            # The pointer starts outside the window's surface: nothing is lit yet.
            cls.app.s.move(1000, 750)
        except BaseException:
            cls.session.close()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.session.close()

    def setUp(self):
        self.assertIsNone(self.app.proc.poll(), "QuietSpin ended")

    def skin(self, name):
        return os.path.join(self.session.program, "GIF", name)

    # -- speed band and clicks ---------------------------------------------------------------
    def test_click_on_the_meter_applies_the_level_before_the_next_tick(self):
        app = self.app
        app.at(385, 450)
        n, tick_ms, byte = app.next_tick()
        self.assertEqual(byte, 52)
        app.at(208, 450)
        self.session.click()
        ms, byte = app.request(n + 1, 10)
        self.assertEqual(byte, 6, "level 1: 2 x 1 + 4")
        self.assertLess(ms - tick_ms, TICK_MS - 300, "the click's command came with a tick")
        ms, byte = app.request(n + 2, 10)
        self.assertAlmostEqual(ms - tick_ms, TICK_MS, delta=300, msg="the next one is the tick")
        self.assertEqual(byte, 6)

    # -- transport band ----------------------------------------------------------------------
    def check_overlay(self, x, y, left, picture, tooltip=True):
        app = self.app
        app.at(300, 432)
        before = app.visible_windows()
        app.at(x, y)
        app.overlay_shows(left, self.skin(picture))
        if not tooltip:
            return
        # Resting on the overlay brings up its tooltip, a window of QuietSpin's own.
        app.at(x + 1, y + 1)
        tips = wait_until(lambda: app.visible_windows() - before - {app.wid}, 10, 0.1, "the tooltip")
        tip = self.session.geometry(next(iter(tips)))
        self.assertLess(abs(tip[0] - (app.left + x)), 80, "the tooltip is by the pointer")
        self.assertLess(abs(tip[1] - (app.top + y)), 80)

    def test_the_control_that_took_the_press_takes_the_release(self):
        app = self.app
        move, go = rgb_of(self.skin("previous_move.jpg")), rgb_of(self.skin("previous_go.jpg"))
        self.assertGreater(mean_error(move, go), MAX_MEAN_ERROR, "cannot tell the two pictures apart")
        # A press on the background beside the Previous overlay, released over the overlay: the
        # window took the press, so Previous does not run and the overlay keeps its hover picture.
        # The next tick's request shows the release handled: the timer comes after pending input.
        app.at(300, 432)
        app.at(130, 310)
        self.session.down()
        app.at(100, 310)
        app.overlay_shows(85, self.skin("previous_move.jpg"))
        self.session.up()
        app.next_tick()
        overlay = rgb_of(self.session.screenshot(), app.screen_rect(85, 306, OVERLAY_W, OVERLAY_H))
        self.assertLess(mean_error(overlay, move), MAX_MEAN_ERROR, "Previous ran")
        # A press on the movie, released over the meter: the window saw no press, so no click; the
        # next request is the tick, 2 s after the last.
        n, tick_ms, _ = app.next_tick()
        app.at(300, 200)
        self.session.down()
        app.at(300, 440)
        self.session.up()
        ms, _ = app.request(n + 1, TICK_MS / 1000 + 8)
        self.assertAlmostEqual(ms - tick_ms, TICK_MS, delta=300, msg="a release alone applied the level")

    def test_transport_band_shows_the_overlay_with_its_tooltip(self):
        self.check_overlay(40, 310, 33, "first_move.jpg")
        self.check_overlay(87, 304, 85, "previous_move.jpg", tooltip=False)
        self.app.at(300, 432)


if __name__ == "__main__":
    harness.main()
