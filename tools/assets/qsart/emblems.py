"""Logos and emblems: the application icon, the maker's logo, the animated Murmex logo and the
setup backdrop."""
import math

from PIL import Image, ImageDraw, ImageFilter

from . import kit
from .skin import disc


def app_icon_image():
    """25 x 25 disc with a calm sign (a crescent moon); returns (RGB image, L coverage)."""
    n, s = 25, 8
    big = Image.new("RGB", (n * s, n * s), kit.NAVY)
    cover = Image.new("L", (n * s, n * s), 0)
    ImageDraw.Draw(cover).ellipse((0, 0, n * s - 1, n * s - 1), fill=255)
    face = kit.radial(big.size, (n * s * 0.38, n * s * 0.32), (190, 232, 255), kit.METER_BLUE, n * s * 0.75)
    big.paste(face, (0, 0), cover)
    d = ImageDraw.Draw(big)
    c = n * s / 2
    d.ellipse((c - 58, c - 58, c + 58, c + 58), outline=(225, 242, 255), width=6)
    d.ellipse((c - 26, c - 26, c + 26, c + 26), fill=(235, 245, 252))
    d.ellipse((c - 9, c - 9, c + 9, c + 9), fill=kit.NAVY)
    rim = Image.new("L", big.size, 0)
    ImageDraw.Draw(rim).ellipse((0, 0, n * s - 1, n * s - 1), outline=255, width=9)
    big.paste(kit.NAVY, (0, 0), rim)
    # Crescent moon bottom right: the sign for "quiet".
    moon = Image.new("L", big.size, 0)
    md = ImageDraw.Draw(moon)
    md.ellipse((118, 116, 196, 194), fill=255)
    md.ellipse((140, 102, 212, 174), fill=0)
    halo = moon.filter(ImageFilter.MaxFilter(13))
    big.paste(kit.NAVY, (0, 0), halo)
    big.paste(kit.GOLD, (0, 0), moon)
    cover = Image.new("L", big.size, 0)
    cd = ImageDraw.Draw(cover)
    cd.ellipse((0, 0, n * s - 1, n * s - 1), fill=255)
    cover.paste(255, (0, 0), halo)
    return big.resize((n, n), Image.LANCZOS), cover.resize((n, n), Image.LANCZOS)


def vantor_logo():
    """221 x 95 on white: a chip emblem with a V, the wordmark and a line under it."""
    w, h = 221, 95
    img = Image.new("RGB", (w, h), kit.WHITE)
    em = kit.rrect_mask((w, h), (10, 20, 64, 74), 10)
    kit.shadow(img, em, (0, 2), 3, kit.NAVY, 0.3)
    kit.fill(img, em, kit.vgradient((w, h), (60, 150, 220), kit.DEEP))
    pins = kit.shape_mask((w, h), lambda d, s: [
        d.rectangle(((16 + 9 * i) * s, 14 * s, (19 + 9 * i) * s, 19 * s), fill=255) for i in range(5)] + [
        d.rectangle(((16 + 9 * i) * s, 75 * s, (19 + 9 * i) * s, 80 * s), fill=255) for i in range(5)])
    kit.fill(img, pins, (150, 170, 190))
    v = kit.shape_mask((w, h), lambda d, s: d.polygon(
        [(p[0] * s, p[1] * s) for p in ((21, 31), (31, 31), (37, 55), (43, 31), (53, 31), (41, 64), (33, 64))],
        fill=255))
    kit.fill(img, v, kit.WHITE)
    kit.text(img, (76, 48), "VANTOR", kit.font("bold", 31), kit.NAVY, "lm")
    kit.fill(img, kit.rrect_mask((w, h), (78, 66, 210, 68), 1), kit.hgradient((w, h), kit.SKY, kit.WHITE))
    kit.text(img, (78, 79), "MOTHERBOARDS", kit.font("sans", 10), kit.STEEL, "lm")
    return img


def murmex_frames():
    """137 x 33 frames of the looping logo: a loud wave calms to a line beside the word Murmex."""
    w, h = 137, 33
    frames, delays = [], []
    count = 16
    for f in range(count):
        t = f / (count - 1)
        img = Image.new("RGB", (w, h), kit.WHITE)
        amp = 10 * (1 - t) ** 1.6 + 0.6
        wave = kit.shape_mask((w, h), lambda d, s: d.line(
            [((3 + x * 0.5) * s, (16.5 + amp * math.sin(x * 0.55 + f * 0.9) * math.exp(-((x - 24) / 22) ** 2)) * s)
             for x in range(0, 80)], fill=255, width=int(2 * s), joint="curve"))
        kit.fill(img, wave, kit.mix(kit.EXIT_RED, kit.SKY, t))
        kit.text(img, (48, 15), "Murmex", kit.font("bold", 19), kit.NAVY, "lm")
        kit.text(img, (50, 28), "quiet drive technology", kit.font("sans", 7), kit.mix(kit.WHITE, kit.STEEL, min(1, t * 2)), "lm")
        frames.append(img)
        delays.append(1400 if f == count - 1 else 90)
    return frames, delays


def backdrop():
    """512 x 384 setup splash: a calm night-blue scene, a resting disc and the product's name."""
    w, h = 512, 384
    img = kit.vgradient((w, h), (18, 52, 96), (70, 160, 220))
    kit.fill(img, kit.radial((w, h), (360, 160), kit.WHITE, kit.BLACK, 220).convert("L"),
             (140, 210, 245), 0.35)
    # Calm water lines under the disc.
    lines = kit.shape_mask((w, h), lambda d, s: [
        d.line([(x * s, (300 + 14 * k + 3 * math.sin(x / 40 + k)) * s) for x in range(0, w + 8, 8)],
               fill=255, width=int(1.5 * s)) for k in range(5)])
    kit.fill(img, lines, kit.WHITE, 0.25)
    disc(img, (370, 168), 92, spin=20)
    moon = kit.shape_mask((w, h), lambda d, s: [d.ellipse((440 * s, 40 * s, 480 * s, 80 * s), fill=255),
                                                  d.ellipse((452 * s, 32 * s, 492 * s, 72 * s), fill=0)])
    kit.fill(img, moon.filter(ImageFilter.GaussianBlur(6)), (255, 240, 180), 0.5)
    kit.fill(img, moon, (255, 236, 160))
    kit.text(img, (36, 142), "Quiet", kit.font("bold", 52), kit.WHITE, "ls", glow=((120, 200, 250), 6))
    kit.text(img, (36 + kit.text_width("Quiet", kit.font("bold", 52)) + 2, 142), "Spin", kit.font("bold", 52),
             (255, 222, 120), "ls", glow=((120, 200, 250), 6))
    kit.text(img, (40, 172), "CD-ROM speed control", kit.font("sans", 18), (215, 238, 252), "ls")
    kit.text(img, (40, 200), "A quieter drive, a calmer desk.", kit.font("oblique", 13), (170, 215, 245), "ls")
    kit.text(img, (36, 352), "VANTOR", kit.font("bold", 16), kit.WHITE, "ls")
    kit.text(img, (112, 352), "Setup is preparing QuietSpin\u2026", kit.font("sans", 11), (200, 230, 250), "ls")
    return img
