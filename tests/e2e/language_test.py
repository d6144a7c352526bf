"""The language QuietSpin picks from the system locale, as it shows on screen: the description
label, the speed tip label and the exit button's tooltip, rendered under English and Traditional
Chinese (zh_TW), which changes all three. Which locale gives which language, and what each
language reads, are proved in process and natively (ChooseLanguage under four locales; the
language rule's unit tests)."""
import unittest

import harness
from harness import Session, wait_until
from window_test import LEFT, TOP, Picture

# Client rectangles: left, top, width, height.
DESCRIPTION = (48, 380, 385, 49)
TRACK = (48, 356, 153, 25)
SPEED_TIP = (216, 470, 217, 16)
LABEL_BLUE = (71, 175, 234)
TIP_BACK = (255, 255, 224)      # lblTip's background
METER = (300, 450)
EXIT_BUTTON = (430, 316)


def crop(shot, rect, left=LEFT, top=TOP):
    x, y, w, h = rect
    return tuple(shot.at(left + x + dx, top + y + dy) for dy in range(h) for dx in range(w))


def inked(pixels, background):
    return sum(p != background for p in pixels)


class Look:
    """What one locale shows: the texts' pixels and the tooltip's size."""

    def __init__(self, locale):
        # The locale is given to the program alone: the harness's own registry call runs in
        # English, so that its console output stays readable.
        with Session("language-" + locale.split(".")[0]) as s:
            s.env["LC_ALL"] = locale
            s.move(5, 5)
            proc = s.start()
            main = s.main_window(proc)

            def labels_painted(path):
                # The two labels are painted one after the other: wait for both texts.
                shot = Picture.decode(path)
                track = crop(shot, TRACK)
                track_text = track.count(LABEL_BLUE) > len(track) // 2 and inked(track, LABEL_BLUE) > 20
                return inked(crop(shot, DESCRIPTION), LABEL_BLUE) > 100 and track_text
            shot = Picture.decode(s.shot_when(labels_painted, "the description and track labels painted"))
            self.description = crop(shot, DESCRIPTION)
            self.track = crop(shot, TRACK)

            s.move(LEFT + METER[0], TOP + METER[1])

            def tip_painted(path):
                # Text inside the frame: the label's border is drawn before its text.
                x, y, w, h = SPEED_TIP
                pixels = crop(Picture.decode(path), (x + 2, y + 2, w - 4, h - 4))
                return pixels.count(TIP_BACK) > len(pixels) // 2 and inked(pixels, TIP_BACK) > 20
            tip = Picture.decode(s.shot_when(tip_painted, "the speed tip painted"))
            self.speed_tip = crop(tip, SPEED_TIP)

            s.move(LEFT + EXIT_BUTTON[0], TOP + EXIT_BUTTON[1])
            s.move(LEFT + EXIT_BUTTON[0] + 1, TOP + EXIT_BUTTON[1] + 1)

            def tooltip():
                for w in s.windows_of(proc):
                    g = s.geometry(w)
                    if w != main and g and g[2] < 300 and g[3] < 40:
                        return g
                return None
            _, _, width, height = wait_until(tooltip, timeout=10, interval=0.2, what="the exit tooltip")
            self.tooltip_size = (width, height)


class LanguageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.en = Look("en_US.UTF-8")
        cls.tw = Look("zh_TW.UTF-8")

    def test_every_locale_shows_a_description_of_the_first_movie(self):
        for name, look in (("en", self.en), ("tw", self.tw)):
            inked = sum(p != LABEL_BLUE for p in look.description)
            self.assertGreater(inked, 100, f"{name}: the description label carries text")
            # The track label is not localised, and equal everywhere: both show movie 1.
            self.assertEqual(look.track, self.en.track, f"{name}: same track read-out")

    def test_traditional_chinese_descriptions_and_tooltips(self):
        self.assertNotEqual(self.tw.description, self.en.description)
        self.assertNotEqual(self.tw.speed_tip, self.en.speed_tip)
        # "結束程式" is four wide characters against the four narrow letters of "Exit".
        self.assertGreater(self.tw.tooltip_size[0], self.en.tooltip_size[0] + 10)


if __name__ == "__main__":
    harness.main()
