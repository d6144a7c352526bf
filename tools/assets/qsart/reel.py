"""A tiny animation kit for the showcase movies: scenes painted per frame, one shared palette.

Movies are animated GIFs, so they must stay flat: a static background, few moving things, about
ten frames a second. Every movie is mapped to the same 256-colour palette built from the skin's
colours, which keeps them in one family and makes the GIF encoder's work easy.
"""
import math

from PIL import Image, ImageChops, ImageDraw

from . import kit

SIZE = (385, 239)
W, H = SIZE


def _palette_image():
    ramps = [  # (from, to, steps)
        (kit.NAVY, kit.WHITE, 32), ((10, 28, 54), kit.DEEP, 24), (kit.NAVY, kit.SKY, 28), (kit.SKY, kit.WHITE, 16),
        ((4, 10, 20), kit.NAVY, 12), (kit.NAVY, kit.GOLD, 24), (kit.GOLD, kit.WHITE, 10),
        (kit.NAVY, kit.EXIT_RED, 20), (kit.EXIT_RED, kit.WHITE, 8), (kit.NAVY, kit.MINT, 20),
        (kit.MINT, kit.WHITE, 8), ((0, 0, 0), (255, 255, 255), 12), (kit.DEEP, (150, 210, 245), 16),
        ((170, 190, 250), (250, 235, 190), 14), ((214, 226, 238), (240, 200, 230), 12),
    ]
    colours = []
    for a, b, n in ramps:
        colours += [kit.mix(a, b, i / (n - 1)) for i in range(n)]
    # Unused entries get a colour no frame contains, so quantising never picks them; the last one
    # is the transparent "unchanged" index of the delta frames.
    colours = colours[:255] + [(255, 0, 254)] * (256 - len(colours[:255]))
    pal = Image.new("P", (1, 1))
    pal.putpalette([c for rgb in colours for c in rgb])
    return pal


PALETTE = _palette_image()
KEEP = 255  # transparent index: "this pixel is as in the previous frame"


def ease(t):
    t = max(0.0, min(1.0, t))
    return t * t * (3 - 2 * t)


def phase(t, start, end):
    """0 before start, 1 after end, eased in between (t, start, end in seconds)."""
    return ease((t - start) / (end - start)) if end > start else float(t >= start)


def say(img, xy, s, size, colour, alpha=1.0, anchor="mm", kind="bold"):
    if alpha <= 0.01:
        return
    layer = Image.new("L", img.size, 0)
    ImageDraw.Draw(layer).text(xy, s, font=kit.font(kind, size), fill=255, anchor=anchor)
    kit.fill(img, layer, colour, min(1.0, alpha))


def stage(top=(10, 28, 54), bottom=kit.DEEP, grid=False):
    """The common movie backdrop: night-blue gradient with a faint technical grid."""
    img = kit.vgradient(SIZE, top, bottom)
    if grid:
        g = Image.new("L", SIZE, 0)
        d = ImageDraw.Draw(g)
        for x in range(0, W, 24):
            d.line((x, 0, x, H), fill=255)
        for y in range(0, H, 24):
            d.line((0, y, W, y), fill=255)
        kit.fill(img, g, kit.SKY, 0.07)
    return img


def badge(img, alpha=1.0):
    say(img, (W - 10, H - 10), "VANTOR", 11, (150, 200, 235), alpha * 0.9, "rs")


def end_card(img, title, slogan, t, accent=kit.GOLD):
    """Closing card: title and slogan rising in over a darkened scene (t in 0..1)."""
    a = ease(t)
    shade = Image.new("L", SIZE, int(225 * a))
    kit.fill(img, shade, (6, 18, 36))
    say(img, (W / 2, 96 - 8 * (1 - a)), title, 30, kit.WHITE, a)
    line = kit.rrect_mask(SIZE, (int(W / 2 - 90 * a), 118, int(W / 2 + 90 * a), 120), 1)
    kit.fill(img, line, accent, a)
    say(img, (W / 2, 142 + 8 * (1 - a)), slogan, 14, (200, 230, 250), a, kind="sans")
    badge(img, a)


def wave_points(x0, x1, y, amp, freq, shift, step=3):
    return [(x, y + amp * math.sin(x * freq + shift)) for x in range(x0, x1 + 1, step)]


class Reel:
    """Frames with their delays; scenes are painted on a copy of the movie's backdrop."""

    def __init__(self, backdrop):
        self.backdrop = backdrop
        self.frames, self.delays = [], []
        self.clock = 0.0  # seconds of movie time already laid

    def scene(self, seconds, paint, step_ms=125):
        n = max(1, int(round(seconds * 1000 / step_ms)))
        for i in range(n):
            img = self.backdrop.copy()
            paint(img, self.clock + i * step_ms / 1000.0, i / max(1, n - 1))
            self.frames.append(img)
            self.delays.append(step_ms)
        self.clock += n * step_ms / 1000.0

    def hold(self, seconds, paint):
        """One still frame shown for a long time (cheap in bytes)."""
        img = self.backdrop.copy()
        paint(img, self.clock, 1.0)
        self.frames.append(img)
        self.delays.append(int(round(seconds * 100)) * 10)
        self.clock += seconds

    def total_ms(self):
        return sum(self.delays)

    def save(self, path):
        """Non-looping GIF: without a loop count the player stops on the last frame."""
        indexed = [f.quantize(palette=PALETTE, dither=Image.Dither.NONE) for f in self.frames]
        frames = [indexed[0]] + [_delta(prev, cur) for prev, cur in zip(indexed, indexed[1:])]
        frames[0].save(path, save_all=True, append_images=frames[1:], duration=self.delays, optimize=False,
                       transparency=KEEP, disposal=1)


def _delta(prev, cur):
    """cur with every pixel that equals prev made transparent: long transparent runs cost the GIF
    encoder almost nothing, while a moving shape on each side of the frame would otherwise make
    the whole frame change."""
    a = Image.frombytes("L", cur.size, prev.tobytes())
    b = Image.frombytes("L", cur.size, cur.tobytes())
    changed = ImageChops.difference(a, b).point(lambda v: 255 if v else 0)
    out = Image.composite(b, Image.new("L", cur.size, KEEP), changed)
    frame = Image.frombytes("P", cur.size, out.tobytes())
    frame.putpalette(PALETTE.getpalette())
    return frame
