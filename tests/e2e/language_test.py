"""The language QuietSpin picks from the system locale, as it shows on screen: the description
label, the speed tip label and the exit button's tooltip are rendered under four locales and
compared. Traditional Chinese (zh_TW) changes all three; Simplified Chinese (zh_CN) changes only
the description; Hong Kong (zh_HK) looks exactly like English."""
import time
import unittest

import harness
from harness import Session, wait_until
from window_test import LEFT, TOP, Picture

# Client rectangles: left, top, width, height.
DESCRIPTION = (48, 380, 385, 49)
TRACK = (48, 356, 153, 25)
SPEED_TIP = (216, 470, 217, 16)
LABEL_BLUE = (71, 175, 234)
METER = (300, 450)
EXIT_BUTTON = (430, 316)


def crop(shot, rect, left=LEFT, top=TOP):
    x, y, w, h = rect
    return tuple(shot.at(left + x + dx, top + y + dy) for dy in range(h) for dx in range(w))


class Look:
    """What one locale shows: the three texts' pixels and the tooltip's size."""

    def __init__(self, locale):
        # The locale is given to the program alone: the harness's own registry call runs in
        # English, so that its console output stays readable.
        with Session("language-" + locale.split(".")[0]) as s:
            s.env["LC_ALL"] = locale
            s.move(5, 5)
            proc = s.start()
            main = s.main_window(proc)
            time.sleep(1.0)
            shot = Picture.decode(s.screenshot())
            self.description = crop(shot, DESCRIPTION)
            self.track = crop(shot, TRACK)

            s.move(LEFT + METER[0], TOP + METER[1])
            time.sleep(0.5)
            self.speed_tip = crop(Picture.decode(s.screenshot()), SPEED_TIP)

            s.move(LEFT + EXIT_BUTTON[0], TOP + EXIT_BUTTON[1])
            s.move(LEFT + EXIT_BUTTON[0] + 1, TOP + EXIT_BUTTON[1] + 1)

            def tooltip():
                for w in s.windows_of(proc):
                    g = s.geometry(w)
                    if w != main and g and g[2] < 300 and g[3] < 40:
                        return w, g
                return None
            _, (x, y, width, height) = wait_until(tooltip, timeout=10, interval=0.2, what="the exit tooltip")
            time.sleep(0.3)
            self.tooltip_size = (width, height)
            self.tooltip = crop(Picture.decode(s.screenshot()), (0, 0, width, height), left=x, top=y)


class LanguageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.en = Look("en_US.UTF-8")
        cls.hk = Look("zh_HK.UTF-8")
        cls.tw = Look("zh_TW.UTF-8")
        cls.cn = Look("zh_CN.UTF-8")

    def test_every_locale_shows_a_description_of_the_first_movie(self):
        for name, look in (("en", self.en), ("hk", self.hk), ("tw", self.tw), ("cn", self.cn)):
            inked = sum(p != LABEL_BLUE for p in look.description)
            self.assertGreater(inked, 100, f"{name}: the description label carries text")
            # The track label is not localised, and equal everywhere: all four show movie 1.
            self.assertEqual(look.track, self.en.track, f"{name}: same track read-out")

    def test_hong_kong_is_english_throughout(self):
        self.assertEqual(self.hk.description, self.en.description)
        self.assertEqual(self.hk.speed_tip, self.en.speed_tip)
        self.assertEqual(self.hk.tooltip_size, self.en.tooltip_size)
        self.assertEqual(self.hk.tooltip, self.en.tooltip)

    def test_traditional_chinese_descriptions_and_tooltips(self):
        self.assertNotEqual(self.tw.description, self.en.description)
        self.assertNotEqual(self.tw.speed_tip, self.en.speed_tip)
        # "結束程式" is four wide characters against the four narrow letters of "Exit".
        self.assertGreater(self.tw.tooltip_size[0], self.en.tooltip_size[0] + 10)

    def test_simplified_chinese_descriptions_only(self):
        self.assertNotEqual(self.cn.description, self.en.description)
        self.assertNotEqual(self.cn.description, self.tw.description, "simplified, not traditional")
        self.assertEqual(self.cn.speed_tip, self.en.speed_tip)
        self.assertEqual(self.cn.tooltip_size, self.en.tooltip_size)
        self.assertEqual(self.cn.tooltip, self.en.tooltip)


if __name__ == "__main__":
    harness.main()
