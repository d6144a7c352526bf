#!/usr/bin/python3
"""Checks the drawn assets as the programs will meet them: names, sizes, file formats byte by byte,
the window outline against the controls, and the movies' timing against the playlist's clock.

    test_assets.py --skin DIR --generated DIR
"""
import argparse
import os
import struct
import sys
import unittest

from PIL import Image

SKIN = GENERATED = None
MB = 1024 * 1024
BUTTONS = ("first", "previous", "play", "pause", "stop", "next", "last")
BUTTON_LEFTS = (33, 85, 138, 191, 243, 295, 347)
SKY = (71, 175, 234)

SKIN_SIZES = {"QuietSpin_normal.jpg": (527, 500), "title_normal.jpg": (345, 33), "title_light.jpg": (345, 33),
              "exit_normal.jpg": (41, 33), "exit_click.jpg": (41, 33), "murmex_logo.gif": (137, 33),
              "Mask.bmp": (527, 500)}
SKIN_SIZES.update({"%s_%s.jpg" % (b, look): (41, 33) for b in BUTTONS for look in ("move", "click", "go")})
SKIN_SIZES.update({"showcase%d.gif" % n: (385, 239) for n in range(1, 10)})
GENERATED_SIZES = {"vantor_logo.jpg": (221, 95), "backdrop.jpg": (512, 384)}

# Rectangles (left, top, right, bottom, inclusive) where the program puts its controls.
CONTROLS = {"showcase": (40, 32, 424, 272), "title": (66, 10, 410, 42), "exit": (410, 300, 450, 332),
            "track": (48, 356, 200, 380), "description": (48, 380, 432, 428), "tip": (216, 470, 432, 485),
            "meter": (209, 434, 381, 466), "rule": (208, 463, 392, 467), "speed band": (190, 435, 390, 465),
            "click area": (204, 415, 372, 465), "transport band": (34, 304, 394, 324)}
CONTROLS.update({"button " + b: (x, 306, x + 40, 338) for b, x in zip(BUTTONS, BUTTON_LEFTS)})


def gif_blocks(path):
    """(width, height, loop count or None, [delay in cs per frame]) read straight from the file."""
    data = open(path, "rb").read()
    if data[:6] not in (b"GIF87a", b"GIF89a"):
        raise ValueError("not a GIF")
    w, h, flags = struct.unpack_from("<HHB", data, 6)
    pos = 13 + (3 << ((flags & 7) + 1) if flags & 0x80 else 0)
    loop, delays, pending = None, [], 0

    def skip_sub_blocks(p):
        while data[p]:
            p += data[p] + 1
        return p + 1
    while True:
        tag = data[pos]
        if tag == 0x3B:
            return w, h, loop, delays
        if tag == 0x21:
            label = data[pos + 1]
            if label == 0xF9:
                pending = struct.unpack_from("<H", data, pos + 4)[0]
            elif label == 0xFF and data[pos + 3:pos + 14] == b"NETSCAPE2.0":
                loop = struct.unpack_from("<H", data, pos + 16)[0]
            pos = skip_sub_blocks(pos + 2)
        elif tag == 0x2C:
            lflags = data[pos + 9]
            pos += 10 + (3 << ((lflags & 7) + 1) if lflags & 0x80 else 0)
            pos = skip_sub_blocks(pos + 1)  # LZW minimum code size, then the data
            delays.append(pending)
            pending = 0
        else:
            raise ValueError("bad GIF block 0x%02x at %d" % (tag, pos))


def icon_dir(path):
    data = open(path, "rb").read()
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    w, h, colours, _, a, b, size, offset = struct.unpack_from("<BBBBHHII", data, 6)
    hdr = struct.unpack_from("<IiiHH", data, offset)
    return data, {"kind": kind, "count": count, "reserved": reserved, "w": w, "h": h, "colours": colours,
                  "a": a, "b": b, "size": size, "offset": offset, "header": hdr}


def and_bit(data, offset, w, h, bits, x, y, palette=0):
    """1 where the AND mask lets the screen through at (x, y)."""
    xor_stride = ((w * bits + 31) // 32) * 4
    and_stride = ((w + 31) // 32) * 4
    base = offset + 40 + palette * 4 + xor_stride * h
    return (data[base + (h - 1 - y) * and_stride + x // 8] >> (7 - x % 8)) & 1


class Catalogue(unittest.TestCase):
    def test_every_file_present_with_its_pixel_size_and_under_1_mb(self):
        for folder, sizes in ((SKIN, SKIN_SIZES), (GENERATED, GENERATED_SIZES)):
            for name, size in sizes.items():
                with self.subTest(name=name):
                    path = os.path.join(folder, name)
                    self.assertTrue(os.path.isfile(path), path)
                    self.assertLess(os.path.getsize(path), MB)
                    with Image.open(path) as im:
                        self.assertEqual(im.size, size)
                        expected = {".jpg": "JPEG", ".gif": "GIF", ".bmp": "BMP"}[os.path.splitext(name)[1]]
                        self.assertEqual(im.format, expected)

    def test_jpegs_are_baseline_rgb_so_the_picture_loader_takes_them(self):
        names = [n for n in SKIN_SIZES if n.endswith(".jpg")]
        for folder, name in [(SKIN, n) for n in names] + [(GENERATED, n) for n in GENERATED_SIZES]:
            with self.subTest(name=name), Image.open(os.path.join(folder, name)) as im:
                self.assertEqual(im.mode, "RGB")
                self.assertFalse(im.info.get("progressive") or im.info.get("progression"))


class WindowOutline(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        raw = open(os.path.join(SKIN, "Mask.bmp"), "rb").read()
        cls.raw = raw
        cls.mask = Image.open(os.path.join(SKIN, "Mask.bmp")).convert("RGB")

    def inside(self, x, y):
        return self.mask.getpixel((x, y)) != (255, 0, 255)

    def test_mask_is_a_24_bit_bitmap(self):
        self.assertEqual(self.raw[:2], b"BM")
        width, height, planes, bits = struct.unpack_from("<iiHH", self.raw, 18)
        self.assertEqual((width, abs(height), planes, bits), (527, 500, 1, 24))
        self.assertEqual(len(self.raw), struct.unpack_from("<I", self.raw, 2)[0])

    def test_corners_are_outside(self):
        for x, y in ((0, 0), (526, 0), (0, 499), (526, 499)):
            self.assertFalse(self.inside(x, y), (x, y))

    def test_every_control_lies_inside(self):
        for name, (x0, y0, x1, y1) in CONTROLS.items():
            with self.subTest(control=name):
                outside = [(x, y) for y in range(y0, y1 + 1) for x in range(x0, x1 + 1) if not self.inside(x, y)]
                self.assertEqual(outside[:5], [])

    def test_drag_area_is_mostly_window(self):
        total = 461 * 291
        solid = sum(self.inside(x, y) for y in range(0, 291) for x in range(0, 461))
        self.assertGreater(solid / total, 0.9)

    def test_outline_is_not_a_plain_rectangle(self):
        rows = {sum(self.inside(x, y) for x in range(527)) for y in range(500)}
        self.assertGreater(len(rows), 10)


class SkinSeams(unittest.TestCase):
    """Overlays must join the background without a visible edge, and the labels' blue must match."""

    @classmethod
    def setUpClass(cls):
        cls.bg = Image.open(os.path.join(SKIN, "QuietSpin_normal.jpg")).convert("RGB")

    def assert_edges_match(self, name, left, top):
        im = Image.open(os.path.join(SKIN, name)).convert("RGB")
        w, h = im.size
        edge = [(x, 0) for x in range(w)] + [(x, h - 1) for x in range(w)] + \
               [(0, y) for y in range(h)] + [(w - 1, y) for y in range(h)]
        worst = max(max(abs(a - b) for a, b in zip(im.getpixel(p), self.bg.getpixel((p[0] + left, p[1] + top))))
                    for p in edge)
        self.assertLess(worst, 40, name)

    def test_overlays_meet_the_background(self):
        self.assert_edges_match("title_normal.jpg", 66, 10)
        self.assert_edges_match("title_light.jpg", 66, 10)
        self.assert_edges_match("exit_normal.jpg", 410, 300)
        self.assert_edges_match("exit_click.jpg", 410, 300)
        for b, x in zip(BUTTONS, BUTTON_LEFTS):
            for look in ("move", "click", "go"):
                with self.subTest(picture="%s_%s" % (b, look)):
                    self.assert_edges_match("%s_%s.jpg" % (b, look), x, 306)

    def test_looks_of_one_button_differ(self):
        for b in BUTTONS:
            looks = [Image.open(os.path.join(SKIN, "%s_%s.jpg" % (b, look))).convert("RGB").tobytes()
                     for look in ("move", "click", "go")]
            normal = self.bg.crop((BUTTON_LEFTS[BUTTONS.index(b)], 306, BUTTON_LEFTS[BUTTONS.index(b)] + 41, 339))
            self.assertEqual(len(set(looks + [normal.tobytes()])), 4, b)

    def test_label_panel_behind_track_and_description_is_the_label_blue(self):
        for x, y in ((44, 370), (436, 400), (300, 426), (210, 360), (60, 431), (120, 432)):
            px = self.bg.getpixel((x, y))
            self.assertLess(max(abs(a - b) for a, b in zip(px, SKY)), 12, (x, y, px))


class IconsAndCursors(unittest.TestCase):
    def test_app_icon_is_one_25px_24bit_bmp_entry_with_and_mask(self):
        path = os.path.join(GENERATED, "app.ico")
        data, d = icon_dir(path)
        self.assertEqual(len(data), 2062)
        self.assertEqual((d["reserved"], d["kind"], d["count"]), (0, 1, 1))
        self.assertEqual((d["w"], d["h"], d["b"]), (25, 25, 24))
        self.assertEqual(d["offset"] + d["size"], len(data))
        size, width, height, planes, bits = d["header"]
        self.assertEqual((size, width, height, planes, bits), (40, 25, 50, 1, 24))
        self.assertEqual(and_bit(data, d["offset"], 25, 25, 24, 0, 0), 1)   # corner shows the screen
        self.assertEqual(and_bit(data, d["offset"], 25, 25, 24, 12, 12), 0)  # the disc is opaque

    def check_cursor(self, path, hotspot, size_bytes=None):
        data, d = icon_dir(path)
        if size_bytes:
            self.assertEqual(len(data), size_bytes)
        self.assertEqual((d["reserved"], d["kind"], d["count"]), (0, 2, 1))
        self.assertEqual((d["w"], d["h"]), (32, 32))
        self.assertEqual((d["a"], d["b"]), hotspot)
        self.assertEqual(d["offset"] + d["size"], len(data))
        _, width, height, planes, bits = d["header"]
        self.assertEqual((width, height, planes), (32, 64, 1))
        palette = 1 << bits if bits <= 8 else 0
        self.assertEqual(and_bit(data, d["offset"], 32, 32, bits, *hotspot, palette=palette), 0,
                         "hot spot must be on a drawn pixel")
        self.assertEqual(and_bit(data, d["offset"], 32, 32, bits, 0, 31, palette=palette), 1)
        return bits

    def test_hand_cursor(self):
        self.assertEqual(self.check_cursor(os.path.join(GENERATED, "hand.cur"), (12, 1), 766), 4)

    def test_double_arrow_cursor_has_its_hot_spot_in_the_middle(self):
        data, d = icon_dir(os.path.join(SKIN, "harrow.cur"))
        self.assertIn(d["a"], (15, 16))
        self.assertIn(d["b"], (15, 16))
        self.check_cursor(os.path.join(SKIN, "harrow.cur"), (d["a"], d["b"]))


class Animations(unittest.TestCase):
    # Movies left when they end: must end by themselves within this span (seconds).
    SELF_ENDING = {1: (5, 15), 5: (5, 15), 6: (5, 15), 9: (5, 15)}
    # Movies left after a count of one-second ticks: must last at least this long.
    TICKED = {2: 11, 3: 14, 4: 25, 7: 34, 8: 17}

    def test_murmex_logo_loops_forever(self):
        w, h, loop, delays = gif_blocks(os.path.join(SKIN, "murmex_logo.gif"))
        self.assertEqual((w, h, loop), (137, 33, 0))
        self.assertTrue(10 <= len(delays) <= 20, len(delays))
        with Image.open(os.path.join(SKIN, "murmex_logo.gif")) as im:
            self.assertEqual(im.convert("RGB").getpixel((0, 0)), (255, 255, 255))

    def test_movies_play_once_for_the_time_the_playlist_gives_them(self):
        for n in range(1, 10):
            with self.subTest(movie=n):
                w, h, loop, delays = gif_blocks(os.path.join(SKIN, "showcase%d.gif" % n))
                self.assertEqual((w, h), (385, 239))
                self.assertIsNone(loop, "a looping movie would never end")
                self.assertGreater(len(delays), 5)
                self.assertTrue(all(d >= 2 for d in delays), "players stretch delays below 2 cs")
                seconds = sum(delays) / 100.0
                if n in self.SELF_ENDING:
                    lo, hi = self.SELF_ENDING[n]
                    self.assertTrue(lo <= seconds <= hi, seconds)
                else:
                    self.assertGreaterEqual(seconds, self.TICKED[n])


if __name__ == "__main__":
    ap = argparse.ArgumentParser()
    ap.add_argument("--skin", required=True)
    ap.add_argument("--generated", required=True)
    args, rest = ap.parse_known_args()
    SKIN, GENERATED = args.skin, args.generated
    unittest.main(argv=[sys.argv[0]] + rest)
