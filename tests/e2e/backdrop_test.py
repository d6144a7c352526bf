"""Backdrop, the setup splash, as a user sees it: a centred borderless window with the picture,
deaf to input, gone by itself about 1.5 s later; plus what its executable carries."""
import os
import re
import struct
import subprocess
import time
import unittest

import harness
from harness import Session, exited, wait_until

EXE = "Backdrop.exe"
JPEG = os.path.join(harness.BUILD, "generated", "backdrop.jpg")
ICON = os.path.join(harness.BUILD, "generated", "app.ico")
SCREEN_W, SCREEN_H = 1024, 768
CLIENT_W, CLIENT_H = 509, 383
PICTURE_W, PICTURE_H = 512, 384


# -- pictures --------------------------------------------------------------------------------
def read_rgb(path):
    """Decodes any picture with ImageMagick into (width, height, rgb bytes)."""
    ppm = subprocess.run([harness.CONVERT, path, "-depth", "8", "ppm:-"],
                         capture_output=True, check=True).stdout
    m = re.match(rb"P6\s+(\d+)\s+(\d+)\s+(\d+)\s", ppm)
    width, height = int(m.group(1)), int(m.group(2))
    return width, height, ppm[m.end():]


def mean_error(screen, x, y, picture, dx=0, dy=0, margin=4):
    """Mean per-channel difference between the window's client area at (x, y) on the screen and
    the picture moved by (dx, dy), over every second row away from the edges."""
    sw, pw = screen[0], picture[0]
    total = count = 0
    for py in range(margin, CLIENT_H - margin, 2):
        s = (y + py) * sw + x + margin
        p = (py + dy) * pw + margin + dx
        n = CLIENT_W - 2 * margin
        a, b = screen[2][s * 3:(s + n) * 3], picture[2][p * 3:(p + n) * 3]
        total += sum(abs(u - v) for u, v in zip(a, b))
        count += len(a)
    return total / count


# Two JPEG decoders round differently (a few levels, more at sharp colour edges), so the picture
# is matched as a whole: close on average, and closer at (0, 0) than moved by one pixel.
MAX_MEAN_ERROR = 4.0
SHIFTS = ((1, 0), (-1, 0), (0, 1), (0, -1))


def window_icon(session, wid):
    """The icon X shows for a window (_NET_WM_ICON): width, height, then ARGB pixels."""
    out = session.run("xprop", "-id", str(wid), "-f", "_NET_WM_ICON", "32c", " = $0+", "_NET_WM_ICON").stdout
    return [int(v) for v in out.split("=", 1)[1].split(",")] if "=" in out else []


def icon_file_argb(path):
    """Width, height and ARGB pixels of a one-image icon file, as _NET_WM_ICON holds them."""
    size = subprocess.run([harness.CONVERT, path, "-format", "%w %h", "info:"], capture_output=True, text=True,
                          check=True).stdout.split()
    rgba = subprocess.run([harness.CONVERT, path, "-depth", "8", "rgba:-"], capture_output=True, check=True).stdout
    return [int(size[0]), int(size[1])] + [(rgba[i + 3] << 24) | (rgba[i] << 16) | (rgba[i + 1] << 8) | rgba[i + 2]
                                            for i in range(0, len(rgba), 4)]


# -- executable resources ----------------------------------------------------------------------
def pe_resources(path):
    """{(type id, name id): bytes} of a 32-bit PE file's resources (first language of each)."""
    data = open(path, "rb").read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    assert data[pe:pe + 4] == b"PE\0\0"
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    rsrc_rva, _ = struct.unpack_from("<II", data, optional + 96 + 2 * 8)
    table = optional + optional_size
    spans = [struct.unpack_from("<8xIIII", data, table + 40 * i) for i in range(sections)]

    def offset(rva):
        for vsize, vaddr, rawsize, rawptr in spans:
            if vaddr <= rva < vaddr + max(vsize, rawsize):
                return rawptr + rva - vaddr
        raise ValueError(f"rva {rva:#x} outside the sections")

    base = offset(rsrc_rva)

    def entries(at):
        named, ids = struct.unpack_from("<12xHH", data, base + at)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", data, base + at + 16 + 8 * i)
            yield name, target

    found = {}
    for kind, to_names in entries(0):
        for name, to_langs in entries(to_names & 0x7FFFFFFF):
            _, leaf = next(entries(to_langs & 0x7FFFFFFF))
            rva, size = struct.unpack_from("<II", data, base + leaf)
            found[(kind, name)] = data[offset(rva):offset(rva) + size]
    return found


RT_ICON, RT_RCDATA, RT_GROUP_ICON, RT_VERSION = 3, 10, 14, 16


class BackdropTest(unittest.TestCase):
    def setUp(self):
        self.session = Session("backdrop", fakeaspi=None, layer=False, first_run_done=False)
        self.addCleanup(self.session.close)
        self.picture = read_rgb(JPEG)

    def start(self):
        return self.session.start(EXE)

    def gone(self, proc, wid):
        return proc.poll() is not None or wid not in self.session.windows_of(proc)

    def painted_shot(self, proc, wid, x, y):
        """A screenshot taken once the picture shows in the window, which must happen before the
        window closes (its 1.5 s)."""
        def shot():
            path = self.session.screenshot()
            screen = read_rgb(path)
            if mean_error(screen, x, y, self.picture) <= MAX_MEAN_ERROR:
                return path, screen
            if self.gone(proc, wid):
                raise AssertionError("the window closed before the picture showed")
            return None
        return wait_until(shot, timeout=10, interval=0.02, what="the picture in the window")

    def test_shows_picture_centred_ignores_click_and_ends_by_itself(self):
        self.assertEqual(self.picture[:2], (PICTURE_W, PICTURE_H), "the backdrop picture is 512 x 384")
        white = (PICTURE_W, PICTURE_H, b"\xff" * (PICTURE_W * PICTURE_H * 3))
        self.assertGreater(mean_error(white, 0, 0, self.picture), 30,
                           "the picture must differ from the white background to be told apart")

        app_icon = icon_file_argb(ICON)
        proc = self.start()
        wid = self.session.main_window(proc)
        appeared = time.monotonic()
        x, y, w, h = self.session.geometry(wid)
        self.assertEqual((w, h), (CLIENT_W, CLIENT_H), "borderless: the window is just its client area")
        self.assertLessEqual(abs(x - (SCREEN_W - CLIENT_W) // 2), 1)
        self.assertLessEqual(abs(y - (SCREEN_H - CLIENT_H) // 2), 1)
        self.assertEqual(window_icon(self.session, wid), app_icon, "the window has the application icon")

        before, screen = self.painted_shot(proc, wid, x, y)

        # Input during the wait is never handled: a click changes nothing and ends nothing.
        self.session.move(x + w // 2, y + h // 2)
        self.session.click()
        after = self.session.screenshot()
        self.assertIsNone(proc.poll(), "the click ended the program early")
        self.assertFalse(self.session.crop_differs(before, after, x, y, w, h), "the click changed the window")

        wait_until(lambda: self.gone(proc, wid), timeout=10, what="the window to close")
        shown_for = time.monotonic() - appeared
        self.assertGreaterEqual(shown_for, 1.0, "the window closed before its 1.5 s wait")
        self.assertLessEqual(shown_for, 8.0)
        self.assertTrue(exited(proc, 10), "the process stayed after its window closed")
        self.assertEqual(proc.returncode, 0)

        aligned = mean_error(screen, x, y, self.picture)
        for dx, dy in SHIFTS:
            self.assertLess(aligned, mean_error(screen, x, y, self.picture, dx, dy),
                            f"the picture matches better moved by ({dx}, {dy}): not drawn from the corner")

    def test_two_started_together_run_independently(self):
        # A fresh Wine prefix brings its desktop up with the first program that shows a window;
        # two programs racing to do that is a Wine start-up matter, not Backdrop's: let one
        # splash run alone first.
        self.assertTrue(exited(self.start(), 15))
        first, second = self.start(), self.start()
        # Each splash lives only 1.5 s: watch for both at once, keeping what was seen.
        seen = {}

        def both_seen():
            for proc in (first, second):
                if proc.pid in seen:
                    continue
                for wid in self.session.windows_of(proc):
                    g = self.session.geometry(wid)
                    if g and g[2] > 100:
                        seen[proc.pid] = (wid, g)
            return len(seen) == 2
        harness.wait_until(both_seen, 20, 0.05, "both splash windows")
        self.assertEqual(len({wid for wid, _ in seen.values()}), 2, "each program shows its own window")
        for _, g in seen.values():
            self.assertEqual(g[2:], (CLIENT_W, CLIENT_H))
        for proc in (first, second):
            self.assertTrue(exited(proc, 10), "a splash did not end by itself")
            self.assertEqual(proc.returncode, 0)


class BackdropExecutableTest(unittest.TestCase):
    """The executable carries the shared icon, its picture and the version values."""

    @classmethod
    def setUpClass(cls):
        cls.resources = pe_resources(os.path.join(harness.DIST, EXE))

    def test_picture_is_the_generated_jpeg(self):
        with open(JPEG, "rb") as f:
            self.assertEqual(self.resources[(RT_RCDATA, 101)], f.read())

    def test_icon_is_the_application_icon(self):
        with open(ICON, "rb") as f:
            ico = f.read()
        _, _, count = struct.unpack_from("<HHH", ico, 0)
        group = self.resources[(RT_GROUP_ICON, 1)]
        self.assertEqual(struct.unpack_from("<HHH", group, 0)[2], count)
        for i in range(count):
            size, at = struct.unpack_from("<II", ico, 6 + 16 * i + 8)
            icon_id = struct.unpack_from("<H", group, 6 + 14 * i + 12)[0]
            self.assertEqual(self.resources[(RT_ICON, icon_id)], ico[at:at + size])

    def test_version_values(self):
        block = self.resources[(RT_VERSION, 1)]
        fixed = block.index(struct.pack("<I", 0xFEEF04BD))
        file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<4I", block, fixed + 8)
        self.assertEqual((file_ms, file_ls, product_ms, product_ls), (0x00010000, 0, 0x00010000, 0))
        text = block.decode("utf-16-le", errors="replace")
        expected = {"CompanyName": "Vantor", "ProductName": "Setup", "FileVersion": "1.00",
                    "ProductVersion": "1.00", "InternalName": "Backdrop", "OriginalFilename": "Backdrop.exe"}
        for key, value in expected.items():
            self.assertRegex(text, f"{key}\0+{re.escape(value)}\0", key)


if __name__ == "__main__":
    harness.main()
