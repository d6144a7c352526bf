"""The showcase as a user sees it: the first movie playing after start-up with its track
read-out, the transport strip stepping through the playlist, Stop putting the animated logo in
the movie's place and Play bringing the movie back, and a release deciding by where it happens."""
import os
import re
import subprocess
import unittest

import harness
from harness import Session, wait_until

ORIGIN_X, ORIGIN_Y = 294, 114          # the window's stored place; client = window
MOVIE = (40, 32, 385, 239)             # FlashDemo, and the logo frame in its place
LOGO = (240, 120, 137, 33)             # AniGifMurmex inside the frame
FRAME_SPOT = (44, 36, 60, 30)          # a corner of the frame away from its pictures and texts
TRACK = (48, 356, 153, 25)             # lblTrack
STRIP_Y, BAND_TOP = 314, 304
BUTTON_X = {"first": 56, "previous": 110, "play": 160, "pause": 215, "stop": 270, "next": 320, "last": 372}
OVERLAY_LEFT = {"first": 33, "previous": 85, "play": 138, "pause": 191, "stop": 243, "next": 295, "last": 347}
OVERLAY = (306, 41, 33)                # the overlay's top, width and height


class Shot:
    """A screenshot decoded to RGB, read in the window's client coordinates."""

    def __init__(self, session):
        path = session.screenshot()
        ppm = subprocess.run([harness.CONVERT, path, "-depth", "8", "ppm:-"], capture_output=True,
                             check=True).stdout
        m = re.match(rb"P6\s+(\d+)\s+(\d+)\s+(\d+)\s", ppm)
        self.width = int(m.group(1))
        self.data = ppm[m.end():]

    def pixel(self, x, y):
        i = ((ORIGIN_Y + y) * self.width + ORIGIN_X + x) * 3
        return tuple(self.data[i:i + 3])

    def region(self, rect):
        x, y, w, h = rect
        rows = []
        for row in range(y, y + h):
            i = ((ORIGIN_Y + row) * self.width + ORIGIN_X + x) * 3
            rows.append(self.data[i:i + w * 3])
        return b"".join(rows)

    def pixels(self, rect):
        raw = self.region(rect)
        return [tuple(raw[i:i + 3]) for i in range(0, len(raw), 3)]


def is_text_yellow(p):
    return p[0] > 190 and p[1] > 190 and p[2] < 110


def text_columns(shot):
    """The track label's text as runs of columns holding yellow pixels: one run per glyph,
    each run the tuple of its columns' yellow row masks."""
    x0, y0, w, h = TRACK
    runs, current = [], []
    for x in range(x0, x0 + w):
        mask = tuple(is_text_yellow(shot.pixel(x, y)) for y in range(y0, y0 + h))
        if any(mask):
            current.append(mask)
        elif current:
            runs.append(tuple(current))
            current = []
    if current:
        runs.append(tuple(current))
    return runs


def white_share(shot, rect):
    px = shot.pixels(rect)
    return sum(1 for p in px if min(p) >= 245) / len(px)


class ShowcaseTest(unittest.TestCase):
    def setUp(self):
        self.proc = None
        self.s = Session(self.id().split(".")[-1])
        self.addCleanup(self.end)
        self.proc = self.s.start()
        self.s.main_window(self.proc)
        # The first movie has started once its area shows something other than the black of a
        # player with no movie.
        wait_until(lambda: self.movie_started(Shot(self.s)), 20, 0.2, "the first movie")

    def end(self):
        self.s.close()
        if self.proc:
            self.proc.wait(timeout=10)

    def movie_started(self, shot):
        return any(sum(p) > 60 for p in shot.pixels((MOVIE[0] + 10, MOVIE[1] + 10, 100, 100)))

    # -- the strip -----------------------------------------------------------------------------
    def overlay_shows(self, name, picture):
        """Waits until the button's overlay shows the skin picture (two JPEG decoders round
        differently: matched on average)."""
        ppm = subprocess.run([harness.CONVERT, os.path.join(self.s.program, "GIF", picture), "-depth", "8", "ppm:-"],
                             capture_output=True, check=True).stdout
        expected = ppm[re.match(rb"P6\s+\d+\s+\d+\s+\d+\s", ppm).end():]
        top, w, h = OVERLAY

        def shows(shot):
            got = shot.region((OVERLAY_LEFT[name], top, w, h))
            return sum(abs(a - b) for a, b in zip(got, expected)) / len(expected) < 6
        self.shot_when(shows, f"{picture} on the {name} button")

    def hover(self, name):
        """Puts the pointer on the button and waits for its overlay, which takes the press."""
        # Cross the band's top row first: the pointer tracking sees only the window background,
        # and the lit mode picture may lie under the button's middle. The program asks where the
        # pointer is when it takes a move, so the pointer stays on that row until the overlay is up.
        x = BUTTON_X[name]
        self.s.move(ORIGIN_X + x, ORIGIN_Y + BAND_TOP)
        self.overlay_shows(name, f"{name}_move.jpg")
        self.s.move(ORIGIN_X + x, ORIGIN_Y + STRIP_Y)

    def press(self, name):
        """Presses on the button's overlay; waits for the pressed picture, after which the overlay
        has the pointer captured."""
        self.hover(name)
        self.s.down()
        self.overlay_shows(name, f"{name}_click.jpg")

    def press_release(self, name):
        self.press(name)
        self.s.up()
        # The program asks where the pointer is when it takes the release, not where the release
        # happened: the pointer stays until the button shows that it ran (a busy program, loading
        # the next movie, takes the release late).
        self.overlay_shows(name, f"{name}_go.jpg")
        # Away from the strip, so the next hover starts over the background.
        self.s.move(ORIGIN_X + 470, ORIGIN_Y + 480)

    def shot_when(self, predicate, what, timeout=10):
        """The first screenshot for which predicate holds."""
        def take():
            shot = Shot(self.s)
            return shot if predicate(shot) else None
        return wait_until(take, timeout, 0.1, what)

    def settled_label(self, predicate, what):
        """The track label's text once predicate holds for it and two screenshots in a row agree,
        so that a label caught half repainted is not taken for the new text."""
        last = [None]

        def take():
            text = text_columns(Shot(self.s))
            settled = predicate(text) and text == last[0]
            last[0] = text
            return text if settled else None
        return wait_until(take, 10, 0.1, what)

    def label_after(self, action, changed_from, shows=lambda t: True, what="the track label to change"):
        """Runs action and returns the track label's new text once it shows what is expected:
        under a slow machine a repaint may stall half done for longer than two screenshots."""
        action()
        return self.settled_label(lambda t: t != changed_from and shows(t), what)

    # -- tests ---------------------------------------------------------------------------------
    def test_start_up_shows_track_01_and_plays_the_first_movie(self):
        first = Shot(self.s)
        self.assertLess(white_share(first, FRAME_SPOT), 0.5, "the logo frame covers the movie")
        second = self.shot_when(lambda s: s.region(MOVIE) != first.region(MOVIE), "the movie to move")
        self.assertNotEqual(first.region(MOVIE), second.region(MOVIE))
        # "Track 01 Total: 09": 15 glyphs, of which the 7th and the 14th are the same zero.
        track01 = self.settled_label(lambda t: True, "the start-up label")
        self.assertEqual(text_columns(first), track01)
        self.assertEqual(len(track01), 15, "glyphs of the track label")
        self.assertEqual(track01[5], track01[13])
        # Last gives "Track 09 Total: 09": its track number is the same glyph as the total's.
        track09 = self.label_after(lambda: self.press_release("last"), track01,
                                   lambda t: len(t) == 15 and t[6] == t[14], "Track 09 Total: 09")
        self.assertNotEqual(track01[6], track01[14])
        # and Next from 9 wraps to the start-up text.
        self.label_after(lambda: self.press_release("next"), track09, lambda t: t == track01,
                         "the start-up label again")

    def test_stop_shows_the_animated_logo_and_play_brings_the_movie_back(self):
        self.press_release("stop")
        # The frame and the hidden label are two repaints: wait for both.
        stopped = self.shot_when(lambda s: white_share(s, FRAME_SPOT) > 0.95 and text_columns(s) == [],
                                 "the logo frame, with the track label hidden")
        # The logo animates while the rest of the frame stays still.
        moved = self.shot_when(lambda s: s.region(LOGO) != stopped.region(LOGO), "the logo to animate")
        self.assertEqual(moved.region(FRAME_SPOT), stopped.region(FRAME_SPOT))
        # Still there when the logo has moved on again.
        again = self.shot_when(lambda s: s.region(LOGO) != moved.region(LOGO), "the logo to animate again")
        self.assertGreater(white_share(again, FRAME_SPOT), 0.95, "the frame stays while stopped")

        self.press_release("play")
        playing = self.shot_when(lambda s: white_share(s, FRAME_SPOT) < 0.5, "the movie area")
        self.assertEqual(len(text_columns(playing)), 15, "the track label is back")
        self.shot_when(lambda s: s.region(MOVIE) != playing.region(MOVIE), "the movie to move")

    def test_release_position_decides_press_on_play_drag_to_next(self):
        track01 = self.settled_label(lambda t: len(t) == 15, "the start-up label")
        self.s.move(ORIGIN_X + 470, ORIGIN_Y + 480)
        self.press("play")
        self.s.move(ORIGIN_X + BUTTON_X["next"], ORIGIN_Y + STRIP_Y)
        self.s.up()
        track02 = self.settled_label(lambda t: t != track01, "Next to run")
        self.assertEqual(len(track02), 15)
        self.assertNotEqual(track02[6], track01[6])
        # The same label as Next clicked in place: back to 1, then Next.
        self.assertEqual(self.label_after(lambda: self.press_release("previous"), track02), track01)
        self.assertEqual(self.label_after(lambda: self.press_release("next"), track01), track02)

    def test_a_release_below_the_band_does_nothing(self):
        track01 = self.settled_label(lambda t: len(t) == 15, "the start-up label")
        self.press("next")
        # picButton reaches down to y 338; the band ends at y 324.
        self.s.move(ORIGIN_X + BUTTON_X["next"], ORIGIN_Y + 330)
        self.s.up()
        # The re-apply timer comes after pending input and the repaint it causes: once its next
        # request is out, a Next run by the release would show.
        sent = len(self.s.aspi.executes())
        wait_until(lambda: len(self.s.aspi.executes()) > sent, 10, 0.1, "the next tick")
        self.assertEqual(text_columns(Shot(self.s)), track01)


if __name__ == "__main__":
    harness.main()
