"""The speed selector as a user drives it: the real pointer moved with xdotool over QuietSpin under
Wine, what the test ASPI layer receives and when (a click applies the level at once, the 2 s timer
applies it in any case), what the screen shows (hover overlay, tip label) and which pointer X shows
(read back through XFixes, since screenshots carry no pointer)."""
import ctypes
import os
import re
import struct
import subprocess
import time
import unittest

import harness
from harness import Session, wait_until

TICK_MS = 2000
OVERLAY_W, OVERLAY_H = 41, 33
TIP = (216, 470, 217, 16)          # lblTip: left, top, width, height in client pixels
TIP_BACK = (255, 255, 224)         # its stored background colour


# -- X pointer ---------------------------------------------------------------------------------
class _CursorImage(ctypes.Structure):
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short), ("width", ctypes.c_ushort),
                ("height", ctypes.c_ushort), ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                ("serial", ctypes.c_ulong), ("pixels", ctypes.c_void_p), ("atom", ctypes.c_ulong),
                ("name", ctypes.c_char_p)]


def pointer_shape(display):
    """(width, height, hot x, hot y) of the pointer X shows now."""
    x11 = ctypes.CDLL("libX11.so.6")
    xfixes = ctypes.CDLL("libXfixes.so.3")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    x11.XFree.argtypes = [ctypes.c_void_p]
    xfixes.XFixesQueryVersion.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int),
                                          ctypes.POINTER(ctypes.c_int)]
    xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(_CursorImage)
    xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
    dpy = x11.XOpenDisplay(display.encode())
    if not dpy:
        raise RuntimeError(f"cannot open display {display}")
    try:
        major, minor = ctypes.c_int(5), ctypes.c_int(0)
        xfixes.XFixesQueryVersion(dpy, ctypes.byref(major), ctypes.byref(minor))
        image = xfixes.XFixesGetCursorImage(dpy)
        c = image.contents
        shape = (c.width, c.height, c.xhot, c.yhot)
        x11.XFree(image)
        return shape
    finally:
        x11.XCloseDisplay(dpy)


def cur_file_shape(path):
    """(width, height, hot x, hot y) of the first image of a .cur file."""
    with open(path, "rb") as f:
        data = f.read(22)
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    assert (reserved, kind) == (0, 2) and count >= 1, "not a cursor file"
    w, h, _, _, hx, hy = struct.unpack_from("<BBBBHH", data, 6)
    return (w or 256, h or 256, hx, hy)


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


def share_of(rgb, colour, tolerance=6):
    px = rgb[2]
    hits = sum(1 for i in range(0, len(px), 3)
               if all(abs(px[i + c] - colour[c]) <= tolerance for c in range(3)))
    return hits / (len(px) // 3)


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
        ms, byte = self.request(n, TICK_MS / 1000 + 2)
        return n, ms, byte

    def pointer(self):
        time.sleep(0.15)
        return pointer_shape(self.s.env["DISPLAY"])

    def shot(self):
        time.sleep(0.15)
        return self.s.screenshot()

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
            cls.baseline = cls.app.shot()
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
        clicked = time.monotonic()
        self.session.click()
        ms, byte = app.request(n + 1, 1.5)
        self.assertLess(time.monotonic() - clicked, 1.0, "the click's command is late")
        self.assertEqual(byte, 6, "level 1: 2 x 1 + 4")
        self.assertLess(ms - tick_ms, TICK_MS - 300, "the click's command came with a tick")
        ms, byte = app.request(n + 2, 3)
        self.assertAlmostEqual(ms - tick_ms, TICK_MS, delta=300, msg="the next one is the tick")
        self.assertEqual(byte, 6)

    def test_right_end_of_the_band_gives_the_default_pointer_and_the_top_level(self):
        app = self.app
        harrow = cur_file_shape(self.skin("harrow.cur"))
        app.at(250, 450)
        self.assertEqual(app.pointer(), harrow, "inside the meter cursor area")
        app.at(385, 450)
        default = app.pointer()
        self.assertNotEqual(default, harrow)
        _, _, byte = app.next_tick()
        self.assertEqual(byte, 52, "level 24")
        app.at(208, 450)
        self.assertEqual(app.pointer(), default, "x 208 is left of the meter cursor area")
        app.at(209, 435)
        self.assertEqual(app.pointer(), harrow)
        app.at(300, 250)  # over the movie: a child window's pointer, not the tracker's concern
        app.at(300, 432)
        self.assertEqual(app.pointer(), default)

    def test_between_the_bands_hides_tip_and_overlay_and_a_click_still_applies(self):
        app = self.app
        app.at(40, 310)
        app.at(250, 450)
        shown = app.shot()
        self.assertGreater(share_of(rgb_of(shown, app.screen_rect(*TIP)), TIP_BACK), 0.5, "tip shown")
        app.at(300, 432)
        hidden = app.shot()
        for rect in (TIP, (33, 306, OVERLAY_W, OVERLAY_H)):
            self.assertFalse(self.session.crop_differs(self.baseline, hidden, *app.screen_rect(*rect)),
                             f"{rect} should show the bare skin")
        n, tick_ms, byte = app.next_tick()
        self.assertEqual(byte, 18, "level 7 chosen at x 250")
        self.session.click()
        ms, byte = app.request(n + 1, 1.5)
        self.assertEqual(byte, 18)
        self.assertLess(ms - tick_ms, TICK_MS - 300)

    def test_click_right_of_the_click_area_waits_for_the_tick(self):
        app = self.app
        app.at(250, 450)
        n, tick_ms, byte = app.next_tick()
        self.assertEqual(byte, 18)
        app.at(373, 440)  # in the speed band: level 24; outside the click area
        self.session.click()
        time.sleep(0.8)
        self.assertEqual(len(app.speeds()), n + 1, "the click sent something")
        ms, byte = app.request(n + 1, 3)
        self.assertAlmostEqual(ms - tick_ms, TICK_MS, delta=300)
        self.assertEqual(byte, 52, "the tick applies the level chosen")

    def test_meter_bars_show_the_level(self):
        app = self.app
        blue, black = (47, 141, 204), (0, 0, 0)
        app.at(288, 450)  # level 12: bars 0..11 black, 12..23 blue
        shot = app.shot()
        for bar, colour in ((0, black), (11, black), (12, blue), (23, blue)):
            x = 214 + 7 * bar
            for dx in (-1, 0, 1):
                self.assertEqual(self.session.pixel(shot, app.left + x + dx, app.top + 460), colour,
                                 f"bar {bar} at x {x + dx}")

    # -- transport band ----------------------------------------------------------------------
    def check_overlay(self, x, y, left, picture, tooltip=True):
        app = self.app
        app.at(300, 432)
        before = app.visible_windows()
        app.at(x, y)
        shot = self.session.screenshot()  # before any tooltip can cover it
        on_screen = rgb_of(shot, app.screen_rect(left, 306, OVERLAY_W, OVERLAY_H))
        self.assertLess(mean_error(on_screen, rgb_of(self.skin(picture))), MAX_MEAN_ERROR,
                        f"{picture} at ({left}, 306)")
        if not tooltip:
            return
        # Resting on the overlay brings up its tooltip, a window of QuietSpin's own.
        app.at(x + 1, y + 1)
        tips = wait_until(lambda: app.visible_windows() - before - {app.wid}, 5, 0.1, "the tooltip")
        tip = self.session.geometry(next(iter(tips)))
        self.assertLess(abs(tip[0] - (app.left + x)), 80, "the tooltip is by the pointer")
        self.assertLess(abs(tip[1] - (app.top + y)), 80)

    def test_the_control_that_took_the_press_takes_the_release(self):
        app = self.app
        move, go = rgb_of(self.skin("previous_move.jpg")), rgb_of(self.skin("previous_go.jpg"))
        self.assertGreater(mean_error(move, go), MAX_MEAN_ERROR, "cannot tell the two pictures apart")
        # A press on the background beside the Previous overlay, released over the overlay: the
        # window took the press, so Previous does not run and the overlay keeps its hover picture.
        app.at(300, 432)
        app.at(130, 310)
        self.session.down()
        app.at(100, 310)
        self.session.up()
        overlay = rgb_of(app.shot(), app.screen_rect(85, 306, OVERLAY_W, OVERLAY_H))
        self.assertLess(mean_error(overlay, move), MAX_MEAN_ERROR, "Previous ran")
        # A press on the movie, released over the meter: the window saw no press, so no click.
        n, _, _ = app.next_tick()
        app.at(300, 200)
        self.session.down()
        app.at(300, 440)
        self.session.up()
        time.sleep(0.8)
        self.assertEqual(len(app.speeds()), n + 1, "a release alone applied the level")

    def test_transport_band_shows_the_overlay_with_its_tooltip(self):
        self.check_overlay(40, 310, 33, "first_move.jpg")
        self.check_overlay(86, 324, 33, "first_move.jpg", tooltip=False)
        self.check_overlay(87, 304, 85, "previous_move.jpg", tooltip=False)
        # x 394, the band's right end, lies right of the last overlay, which begins at 347.
        self.check_overlay(394, 315, 347, "last_move.jpg", tooltip=False)
        self.check_overlay(360, 315, 347, "last_move.jpg")
        self.app.at(300, 432)


class TipCaption(unittest.TestCase):
    """The tip's caption comes from the string table each time the tip is shown."""

    def tip_pixels(self, app):
        return rgb_of(app.shot(), app.screen_rect(*TIP))

    def show_tip_twice(self, locale):
        with Session("tracking-tip", locale=locale, first_run_done=False) as session:
            # Marked here rather than by the session: `wine reg` answers in the locale's code page.
            subprocess.run(["wine", "reg", "add", harness.MARKER_KEY, "/v", "FirstTime", "/t", "REG_DWORD",
                            "/d", "0", "/f"], env=session.env, capture_output=True, check=True)
            app = QuietSpinWindow(session)
            app.at(300, 450)
            first = self.tip_pixels(app)
            app.at(310, 455)
            within = self.tip_pixels(app)
            app.at(300, 432)
            app.at(300, 450)
            again = self.tip_pixels(app)
            return first, within, again

    def test_caption_follows_the_language_when_the_tip_is_shown(self):
        en = self.show_tip_twice("en_US.UTF-8")
        tw = self.show_tip_twice("zh_TW.UTF-8")
        for shown in en + tw:
            self.assertGreater(share_of(shown, TIP_BACK), 0.5, "the tip is up")
        self.assertEqual(en[0], en[1])
        self.assertEqual(en[0], en[2])
        self.assertEqual(tw[0], tw[1])
        self.assertEqual(tw[0], tw[2], "re-entering shows the same text")
        # The stored caption is English; the Traditional Chinese text replaced it.
        self.assertGreater(mean_error(en[0], tw[0]), 1.0)


if __name__ == "__main__":
    harness.main()
