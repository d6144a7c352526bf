"""QuietSpin's window as a user sees it: at its stored place, cut to the outline of the mask, the
skin on it and still there after another window covered it; started from a drive root; and the
fatal end when the skin folder is missing."""
import os
import re
import shutil
import struct
import subprocess
import unittest

import harness
from harness import Session, exited, wait_until

LEFT, TOP, WIDTH, HEIGHT = 294, 114, 527, 500
MAGENTA = (255, 0, 255)

# Parts of the window that are not the bare skin: the movie, the picture boxes, the labels, the
# speed meter and its tip (client rectangles: left, top, width, height).
NOT_SKIN = [
    (40, 32, 385, 239), (66, 10, 345, 33), (410, 300, 41, 33), (138, 306, 41, 33), (240, 280, 41, 33),
    (48, 356, 153, 25), (48, 380, 385, 49), (205, 430, 192, 42), (216, 470, 217, 16),
]


class Picture:
    """An RGB picture: width, height and rows of bytes."""

    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, rgb

    def at(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.rgb[i:i + 3])

    @staticmethod
    def decode(path):
        """Any picture format, through ImageMagick."""
        ppm = subprocess.run([harness.CONVERT, path, "-depth", "8", "ppm:-"], capture_output=True, check=True).stdout
        m = re.match(rb"P6\s+(\d+)\s+(\d+)\s+(\d+)\s", ppm)
        return Picture(int(m.group(1)), int(m.group(2)), ppm[m.end():])

    @staticmethod
    def read_bmp24(path):
        """A 24-bit uncompressed BMP, read by hand: the mask is exactly what the program reads."""
        with open(path, "rb") as f:
            data = f.read()
        assert data[:2] == b"BM", "not a BMP"
        offset = struct.unpack_from("<I", data, 10)[0]
        width, height, _, bits, compression = struct.unpack_from("<iiHHI", data, 18)
        assert bits == 24 and compression == 0, f"{bits} bits, compression {compression}"
        stride = (width * 3 + 3) & ~3
        rows = []
        for y in range(abs(height)):
            source = height - 1 - y if height > 0 else y
            row = data[offset + source * stride: offset + source * stride + width * 3]
            rows.append(bytes(b for px in range(width) for b in (row[px * 3 + 2], row[px * 3 + 1], row[px * 3])))
        return Picture(width, abs(height), b"".join(rows))


def skin_free(x, y, margin=3):
    return not any(l - margin <= x < l + w + margin and t - margin <= y < t + h + margin for l, t, w, h in NOT_SKIN)


def outline_points(mask, step=3, margin=2):
    """Points well outside the outline and points well inside it on the bare skin."""
    def all_same(x, y, outside):
        for dy in range(-margin, margin + 1):
            for dx in range(-margin, margin + 1):
                px, py = x + dx, y + dy
                if 0 <= px < mask.width and 0 <= py < mask.height and (mask.at(px, py) == MAGENTA) != outside:
                    return False
        return True
    outside, inside = [], []
    for y in range(0, mask.height):
        for x in range(0, mask.width):
            if mask.at(x, y) == MAGENTA:
                if all_same(x, y, True):
                    outside.append((x, y))
            elif x % step == 0 and y % step == 0 and skin_free(x, y) and all_same(x, y, False):
                inside.append((x, y))
    return outside, inside


class WindowTest(unittest.TestCase):
    def assert_outline_and_skin(self, session, desktop, shot):
        """Outside the mask's outline the desktop shows through; inside it the skin shows."""
        mask = Picture.read_bmp24(os.path.join(session.program, "GIF", "Mask.bmp"))
        self.assertEqual((mask.width, mask.height), (WIDTH, HEIGHT))
        skin = Picture.decode(os.path.join(session.program, "GIF", "QuietSpin_normal.jpg"))
        outside, inside = outline_points(mask)
        self.assertGreater(len(outside), 200, "the mask cuts the corners away")
        self.assertGreater(len(inside), 2000)
        wrong = [(x, y) for x, y in outside if shot.at(LEFT + x, TOP + y) != desktop.at(LEFT + x, TOP + y)]
        self.assertFalse(wrong, f"{len(wrong)} points outside the outline do not show the desktop, e.g. {wrong[:5]}")
        # Two JPEG decoders round differently: close on average, and hardly any point far off.
        errors = [max(abs(a - b) for a, b in zip(shot.at(LEFT + x, TOP + y), skin.at(x, y))) for x, y in inside]
        self.assertLess(sum(errors) / len(errors), 6, "mean difference from the skin picture")
        far = [p for p, e in zip(inside, errors) if e > 40]
        self.assertLess(len(far), len(inside) // 50, f"points off the skin, e.g. {far[:5]}")
        return inside

    def start_and_wait(self, session, proc_starter):
        session.move(5, 5)  # keep the pointer off the window
        desktop = Picture.decode(session.screenshot())
        proc = proc_starter()
        wid = session.main_window(proc)
        return proc, wid, desktop

    def skin_shown(self, session):
        """A screenshot taken once the skin is painted (close to the picture at sampled points
        inside the outline); the tests then check it whole."""
        mask = Picture.read_bmp24(os.path.join(session.program, "GIF", "Mask.bmp"))
        skin = Picture.decode(os.path.join(session.program, "GIF", "QuietSpin_normal.jpg"))
        sample = outline_points(mask)[1][::20]

        def painted(path):
            shot = Picture.decode(path)
            errors = [max(abs(a - b) for a, b in zip(shot.at(LEFT + x, TOP + y), skin.at(x, y))) for x, y in sample]
            return sum(errors) / len(errors) < 6
        return Picture.decode(session.shot_when(painted, "the skin painted"))

    def test_window_at_its_place_with_the_mask_outline_and_the_skin(self):
        with Session("window-outline") as s:
            proc, wid, desktop = self.start_and_wait(s, s.start)
            self.assertEqual(s.geometry(wid), (LEFT, TOP, WIDTH, HEIGHT))
            self.assert_outline_and_skin(s, desktop, self.skin_shown(s))
            self.assertIsNone(proc.poll())

    def test_background_is_still_there_after_another_window_covered_it(self):
        with Session("window-covered") as s:
            proc, wid, desktop = self.start_and_wait(s, s.start)
            mask = Picture.read_bmp24(os.path.join(s.program, "GIF", "Mask.bmp"))
            _, inside = outline_points(mask)
            before = self.skin_shown(s)
            cover = subprocess.Popen(["xmessage", "-geometry", f"{WIDTH}x{HEIGHT}+{LEFT}+{TOP}", "-bg", "green",
                                      "covering"], env=s.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            s.procs.append(cover)

            def covered():
                shot = Picture.decode(s.screenshot())
                hidden = sum(shot.at(LEFT + x, TOP + y) != before.at(LEFT + x, TOP + y) for x, y in inside[::10])
                return hidden > len(inside[::10]) * 0.9
            wait_until(covered, timeout=10, interval=0.2, what="the covering window")
            cover.kill()
            cover.wait()

            def lost_in(shot):
                return [(x, y) for x, y in inside if shot.at(LEFT + x, TOP + y) != before.at(LEFT + x, TOP + y)]
            # The repaint is waited for; what is still lost after 10 s is reported.
            try:
                after = Picture.decode(s.shot_when(lambda path: not lost_in(Picture.decode(path)),
                                                   "the skin painted again"))
            except AssertionError:
                after = Picture.decode(s.screenshot())
            lost = lost_in(after)
            self.assertFalse(lost, f"{len(lost)} skin points lost after uncovering, e.g. {lost[:5]}")
            self.assert_outline_and_skin(s, desktop, after)

    def test_no_system_menu_from_the_drag_area_or_alt_space(self):
        with Session("window-sysmenu") as s:
            proc, wid, _ = self.start_and_wait(s, s.start)
            shown = set(s.windows_of(proc))
            s.move(LEFT + 450, TOP + 150)  # the window's own surface in the drag area
            s.click(3)
            s.key(wid, "alt+space")
            # The re-apply timer comes after pending input: by its next request both were handled.
            sent = len(s.aspi.executes())
            wait_until(lambda: len(s.aspi.executes()) > sent, 10, 0.1, "the next tick")
            self.assertEqual(set(s.windows_of(proc)), shown, "a menu opened")
            self.assertIsNone(proc.poll())

    def test_program_folder_at_a_drive_root(self):
        # Drive Q: is the program folder itself: the program folder is "Q:\" and every skin path
        # carries a doubled separator, "Q:\\GIF\Mask.bmp", which the system takes as it is.
        with Session("window-root") as s:
            os.symlink(s.program, os.path.join(s.prefix, "dosdevices", "q:"))

            def start_from_root():
                p = subprocess.Popen(["wine", "Q:\\QuietSpin.exe"], cwd=s.program, env=s.env,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                s.procs.append(p)
                return p
            proc, wid, desktop = self.start_and_wait(s, start_from_root)
            self.assertEqual(s.geometry(wid), (LEFT, TOP, WIDTH, HEIGHT))
            self.assert_outline_and_skin(s, desktop, self.skin_shown(s))
            self.assertIsNone(proc.poll(), "still running")

    def start_without_skin(self, s, exe):
        """Starts `exe` (a Windows path) with the skin folder gone; returns the process, its message
        box and the text the box shows (from Wine's message box trace)."""
        shutil.rmtree(os.path.join(s.program, "GIF"))
        trace_path = os.path.join(s.dir, "msgbox.txt")
        with open(trace_path, "w") as trace:
            proc = subprocess.Popen(["wine", exe], cwd=s.program, env=dict(s.env, WINEDEBUG="-all,trace+msgbox"),
                                    stdout=subprocess.DEVNULL, stderr=trace)
        s.procs.append(proc)
        box = s.window_named("^QuietSpin$")

        def traced():
            with open(trace_path, errors="replace") as f:
                text = f.read()
            return text if "MSGBOX_OnInit" in text else None
        shown = wait_until(traced, 10, 0.1, "the message box's text").replace("\\\\", "\\")  # backslashes come escaped
        return proc, box, shown

    def test_without_the_skin_folder_the_error_names_the_file_and_the_program_ends(self):
        with Session("window-noskin") as s:
            proc, box, shown = self.start_without_skin(s, harness.to_windows_path(os.path.join(s.program, "QuietSpin.exe")))
            expected = harness.to_windows_path(os.path.join(s.program, "GIF", "QuietSpin_normal.jpg"))
            self.assertIn(expected, shown, "the message names the missing picture")
            self.assertEqual(s.xdo("search", "--onlyvisible", "--name", "Wine System Tray").split(), [],
                             "no tray icon while the error shows")
            self.assertFalse([w for w in s.windows_of(proc) if w != box and (s.geometry(w) or (0, 0, 0))[2] > 100],
                             "no main window")
            s.key(box, "Return")
            self.assertTrue(exited(proc, 10), "the program ends after the message")
            self.assertNotEqual(proc.returncode, 0)
            wait_until(lambda: not s.xdo("search", "--onlyvisible", "--name", "Wine System Tray").split(), 10, 0.1,
                       "no tray icon left behind")
            self.assertEqual(s.aspi.executes(), [], "no speed command was sent")

    def test_at_a_drive_root_the_skin_path_keeps_its_doubled_separator(self):
        with Session("window-rootpath") as s:
            os.symlink(s.program, os.path.join(s.prefix, "dosdevices", "q:"))
            proc, box, shown = self.start_without_skin(s, "Q:\\QuietSpin.exe")
            self.assertIn("Q:\\\\GIF\\QuietSpin_normal.jpg", shown)
            s.key(box, "Return")
            self.assertTrue(exited(proc, 10))
            self.assertNotEqual(proc.returncode, 0)

if __name__ == "__main__":
    harness.main()
