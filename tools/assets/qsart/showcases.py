"""The nine showcase movies of the maker's products, in playlist order.

The program leaves movies 2, 3, 4, 7 and 8 after a fixed count of one-second ticks (11, 14, 25, 34
and 17), so those run at least that long; movies 1, 5, 6 and 9 are left when they end, so they end
by themselves after a few seconds. None loops.
"""
import math

from PIL import ImageDraw

from . import kit
from .reel import H, SIZE, W, Reel, badge, ease, end_card, phase, say, stage, wave_points
from .skin import disc


def _waves(img, cx, cy, loud, t, colour):
    m = kit.shape_mask(SIZE, lambda d, s: [
        d.arc(((cx - r) * s, (cy - r) * s, (cx + r) * s, (cy + r) * s), -40, 40, fill=255, width=int(2 * s))
        for r in [70 + ((t * 60 + k * 22) % 66) for k in range(3)]])
    kit.fill(img, m, colour, 0.25 + 0.75 * loud)


def _spin_mark(img, cx, cy, rad, angle, alpha):
    """A light streak turning on a disc: cheaper per frame than turning the whole sheen."""
    m = kit.shape_mask(SIZE, lambda d, s: d.arc(((cx - rad) * s, (cy - rad) * s, (cx + rad) * s, (cy + rad) * s),
                                                angle, angle + 40, fill=255, width=int(rad * 0.45 * s)))
    kit.fill(img, m, kit.WHITE, alpha)


def _disc_stage(centre, rad):
    img = stage()
    disc(img, centre, rad, spin=10)
    return img


def murmex():
    r = Reel(_disc_stage((112, 122), 62))

    def paint(img, t, _):
        calm = phase(t, 3.0, 6.5)
        _spin_mark(img, 112, 122, 48, t * (500 * (1 - calm) + 60), 0.55)
        _waves(img, 112, 122, 1 - calm, t * (1 - 0.6 * calm), kit.mix(kit.EXIT_RED, kit.SKY, calm))
        db = int(round(48 - 17 * calm))
        say(img, (300, 150), "%d dB" % db, 28, kit.mix(kit.EXIT_RED, kit.MINT, calm))
        say(img, (300, 176), "drive noise", 11, (170, 205, 235), kind="sans")
        a = phase(t, 2.6, 3.6)
        say(img, (300, 70 - 10 * (1 - a)), "Murmex", 30, kit.WHITE, a)
        say(img, (300, 96), "quiet drive technology", 11, kit.SKY, a, kind="sans")
        wave = kit.shape_mask(SIZE, lambda d, s: d.line(
            [(x * s, y * s) for x, y in wave_points(220, 380, 212, 9 * (1 - calm) + 1, 0.21, t * 7)],
            fill=255, width=int(2 * s)))
        kit.fill(img, wave, kit.mix(kit.EXIT_RED, kit.SKY, calm))
        badge(img)
    r.scene(7.0, paint)
    r.scene(2.0, lambda img, t, u: (paint(img, 7.0, 1), end_card(img, "Murmex", "Hear the music, not the drive.", u)), step_ms=250)
    r.hold(1.5, lambda img, t, u: (paint(img, 7.0, 1), end_card(img, "Murmex", "Hear the music, not the drive.", 1)))
    return r


def _board(img, t, parts_at):
    """The VX-880 board, its parts appearing at the times in parts_at."""
    kit.fill(img, kit.rrect_mask(SIZE, (40, 30, 230, 220), 6), (20, 90, 140))
    kit.fill(img, kit.ring(kit.rrect_mask(SIZE, (40, 30, 230, 220), 6), 1), kit.SKY)
    parts = [("CPU", (70, 50, 130, 110), kit.mix(kit.STEEL, kit.WHITE, 0.5)),
             ("DDR", (150, 45, 205, 115), kit.GOLD),
             ("AGP", (60, 140, 200, 150), (120, 60, 40)),
             ("PCI", (60, 160, 200, 200), kit.WHITE),
             ("I/O", (44, 36, 60, 120), (60, 60, 70))]
    for (name, box, colour), at in zip(parts, parts_at):
        a = phase(t, at, at + 0.6)
        if a <= 0:
            continue
        if name == "DDR":
            for k in range(4):
                kit.fill(img, kit.rrect_mask(SIZE, (box[0] + k * 14, box[1], box[0] + k * 14 + 6, box[3]), 1), colour, a)
        elif name == "PCI":
            for k in range(4):
                kit.fill(img, kit.rrect_mask(SIZE, (box[0], box[1] + k * 11, box[2], box[1] + k * 11 + 5), 1), colour, a * 0.9)
        else:
            kit.fill(img, kit.rrect_mask(SIZE, box, 3), colour, a)
        if name in ("CPU", "AGP"):
            say(img, ((box[0] + box[2]) / 2, (box[1] + box[3]) / 2), name, 10, kit.NAVY if name == "CPU" else kit.WHITE, a)


def vx880_part1():
    r = Reel(stage())
    labels = [(0.5, "Socket 478, 800 MHz FSB"), (2.0, "4 DIMMs, DDR400"),
              (3.5, "AGP 8x graphics"), (5.0, "Five PCI slots"), (6.5, "USB 2.0 and FireWire")]

    def paint(img, t, _):
        _board(img, t, [0.5, 2.0, 3.5, 5.0, 6.5])
        say(img, (310, 38), "VX-880", 24, kit.WHITE, phase(t, 0, 0.8))
        say(img, (310, 58), "part 1: the board", 10, kit.SKY, phase(t, 0.3, 1.1), kind="sans")
        for k, (at, label) in enumerate(labels):
            a = phase(t, at + 0.3, at + 1.0)
            y = 90 + k * 24
            kit.fill(img, kit.ellipse_mask(SIZE, (244, y - 3, 250, y + 3)), kit.GOLD, a)
            say(img, (256, y), label, 9, kit.WHITE, a, "lm", "sans")
        badge(img)
    r.scene(9.0, paint)
    r.hold(3.5, lambda img, t, u: (paint(img, 9.0, 1), say(img, (250, 218), "continued \u2192", 10, kit.GOLD, 1, kind="sans")))
    return r


def vx880_part2():
    r = Reel(stage())
    feats = ["Dual-channel memory", "Serial ATA with RAID 0/1", "Six-channel ClearWave audio",
             "Gigabit LAN on board", "Murmex quiet CD-ROM control"]

    def fan(img, cx, cy, rad, angle):
        m = kit.shape_mask(SIZE, lambda d, s: [d.pieslice(((cx - rad) * s, (cy - rad) * s, (cx + rad) * s, (cy + rad) * s),
                                                          angle + k * 72, angle + k * 72 + 38, fill=255) for k in range(5)])
        kit.fill(img, kit.ellipse_mask(SIZE, (cx - rad - 4, cy - rad - 4, cx + rad + 4, cy + rad + 4)), (30, 60, 100))
        kit.fill(img, m, kit.SKY)
        kit.fill(img, kit.ellipse_mask(SIZE, (cx - 8, cy - 8, cx + 8, cy + 8)), kit.NAVY)

    def paint(img, t, _):
        slow = phase(t, 6.0, 11.0)
        fan(img, 300, 130, 48, t * (400 - 300 * slow))
        say(img, (300, 198), "%d rpm" % int(4200 - 2100 * slow), 12, kit.mix(kit.GOLD, kit.MINT, slow))
        say(img, (24, 30), "VX-880", 22, kit.WHITE, phase(t, 0, 0.8), "lm")
        say(img, (124, 32), "part 2: features", 10, kit.SKY, phase(t, 0.3, 1.0), "lm", "sans")
        for k, f in enumerate(feats):
            a = phase(t, 1.0 + k * 1.4, 1.8 + k * 1.4)
            y = 70 + k * 27
            x = 24 - 30 * (1 - a)
            kit.fill(img, kit.rrect_mask(SIZE, (int(x), y - 9, int(x) + 200, y + 9), 9), kit.DEEP, a * 0.9)
            say(img, (x + 10, y), "\u2713", 11, kit.MINT, a, "lm")
            say(img, (x + 26, y), f, 10, kit.WHITE, a, "lm", "sans")
        badge(img)
    r.scene(11.0, paint)
    r.scene(2.0, lambda img, t, u: (paint(img, 11.0, 1), end_card(img, "VX-880", "Built to run cool.", u)), step_ms=250)
    r.hold(2.5, lambda img, t, u: (paint(img, 11.0, 1), end_card(img, "VX-880", "Built to run cool.", 1)))
    return r


def smartbios():
    r = Reel(stage((0, 0, 120), (0, 0, 120), grid=False))
    items = [("CPU Clock", "133 MHz"), ("Memory Timing", "Auto"), ("CD-ROM Speed", "Quiet"),
             ("Fan Control", "Silent"), ("Boot Logo", "Vantor"), ("Power On by LAN", "Enabled")]
    values = [("Full", "Quiet"), ("Normal", "Silent")]

    def screen(img, t):
        d = ImageDraw.Draw(img)
        d.rectangle((0, 0, W, 22), fill=(0, 120, 190))
        say(img, (W / 2, 11), "Vantor SmartBIOS Setup Utility", 11, kit.WHITE, 1, kind="sans")
        sel = min(len(items) - 1, int(max(0, t - 2) / 2.2))
        for k, (name, val) in enumerate(items):
            y = 44 + k * 22
            if k == sel:
                d.rectangle((14, y - 9, W - 14, y + 9), fill=(200, 200, 200))
            fg = (0, 0, 120) if k == sel else kit.WHITE
            if k in (2, 3) and t < 4 + 4.4 * (k - 2) + 1.8:
                val = values[k - 2][0]
            say(img, (24, y), name, 10, fg, 1, "lm", "sans")
            say(img, (230, y), "[%s]" % val, 10, (0, 0, 120) if k == sel else kit.TRACK_YELLOW, 1, "lm", "sans")
        d.rectangle((0, H - 22, W, H), fill=(0, 120, 190))
        say(img, (W / 2, H - 11), "\u2191\u2193 Select   +/- Change   F10 Save & Exit", 9, kit.WHITE, 1, kind="sans")

    def intro(img, t, u):
        img.paste(stage(), (0, 0))
        say(img, (W / 2, 100), "SmartBIOS", 32, kit.WHITE, ease(u * 2))
        say(img, (W / 2, 136), "every setting in one friendly place", 12, kit.SKY, ease(u * 2 - 0.5), kind="sans")
        badge(img)
    r.scene(3.0, intro, step_ms=150)
    r.scene(15.0, lambda img, t, u: screen(img, t - 3.0), step_ms=200)
    r.scene(2.0, lambda img, t, u: (screen(img, 15.0), end_card(img, "SmartBIOS", "Set it once. Forget it.", u)), step_ms=250)
    r.hold(6.5, lambda img, t, u: (screen(img, 15.0), end_card(img, "SmartBIOS", "Set it once. Forget it.", 1)))
    return r


def turbodial():
    r = Reel(stage())

    def paint(img, t, _):
        cx, cy, rad = 192, 150, 92
        up = phase(t, 1.0, 4.5)
        kit.fill(img, kit.shape_mask(SIZE, lambda d, s: d.arc(((cx - rad) * s, (cy - rad) * s, (cx + rad) * s, (cy + rad) * s),
                                                               180, 360, fill=255, width=int(10 * s))), (40, 70, 110))
        end = 180 + 180 * (0.25 + 0.6 * up)
        kit.fill(img, kit.shape_mask(SIZE, lambda d, s: d.arc(((cx - rad) * s, (cy - rad) * s, (cx + rad) * s, (cy + rad) * s),
                                                               180, end, fill=255, width=int(10 * s))), kit.mix(kit.SKY, kit.GOLD, up))
        ang = math.radians(end)
        kit.fill(img, kit.shape_mask(SIZE, lambda d, s: d.line(
            (cx * s, cy * s, (cx + (rad - 18) * math.cos(ang)) * s, (cy + (rad - 18) * math.sin(ang)) * s),
            fill=255, width=int(3 * s))), kit.WHITE)
        kit.fill(img, kit.ellipse_mask(SIZE, (cx - 7, cy - 7, cx + 7, cy + 7)), kit.GOLD)
        say(img, (cx, cy + 30), "%.2f GHz" % (2.00 + 0.40 * up), 22, kit.WHITE)
        say(img, (cx, 24), "TurboDial", 20, kit.WHITE, phase(t, 0, 0.8))
        say(img, (cx, 44), "overclocking made safe", 10, kit.SKY, phase(t, 0.3, 1.1), kind="sans")
        say(img, (cx, 210), "+20% in one turn", 13, kit.GOLD, phase(t, 4.5, 5.3))
        badge(img)
    r.scene(6.5, paint)
    r.scene(1.5, lambda img, t, u: (paint(img, 6.5, 1), end_card(img, "TurboDial", "More speed, same calm.", u)), step_ms=250)
    r.hold(1.5, lambda img, t, u: (paint(img, 6.5, 1), end_card(img, "TurboDial", "More speed, same calm.", 1)))
    return r


def clearwave():
    r = Reel(stage())

    def paint(img, t, _):
        for k in range(12):
            level = 0.5 + 0.45 * math.sin(t * 5.1 + k * 0.9) * math.cos(t * 1.7 + k * 0.4)
            h = int(20 + 90 * level)
            col = (kit.SKY, kit.MINT, kit.GOLD)[k // 4]
            kit.fill(img, kit.rrect_mask(SIZE, (92 + k * 17, 180 - h, 92 + k * 17 + 11, 180), 2), col)
        for cx in (46, 339):
            kit.fill(img, kit.rrect_mask(SIZE, (cx - 18, 100, cx + 18, 180), 6), (30, 56, 92))
            pulse = 12 + 3 * math.sin(t * 8)
            kit.fill(img, kit.ellipse_mask(SIZE, (cx - pulse, 150 - pulse, cx + pulse, 150 + pulse)), kit.SKY, 0.8)
            kit.fill(img, kit.ellipse_mask(SIZE, (cx - 6, 116, cx + 6, 128)), kit.SKY, 0.8)
        say(img, (W / 2, 28), "ClearWave", 24, kit.WHITE, phase(t, 0, 0.8))
        say(img, (W / 2, 50), "6-channel audio on board", 11, kit.SKY, phase(t, 0.3, 1.1), kind="sans")
        say(img, (W / 2, 208), "5.1 sound, no extra card", 12, kit.GOLD, phase(t, 3.5, 4.3))
        badge(img)
    r.scene(6.5, paint)
    r.scene(1.5, lambda img, t, u: (paint(img, 6.5, 1), end_card(img, "ClearWave", "Six channels. Zero extra cards.", u)), step_ms=250)
    r.hold(1.5, lambda img, t, u: (paint(img, 6.5, 1), end_card(img, "ClearWave", "Six channels. Zero extra cards.", 1)))
    return r


def gigabit():
    r = Reel(stage())
    nodes = [(60, 80), (60, 170), (325, 80), (325, 170)]

    def pc(img, x, y):
        kit.fill(img, kit.rrect_mask(SIZE, (x - 24, y - 18, x + 24, y + 14), 3), (200, 220, 238))
        kit.fill(img, kit.rrect_mask(SIZE, (x - 20, y - 14, x + 20, y + 10), 2), kit.DEEP)
        kit.fill(img, kit.rrect_mask(SIZE, (x - 10, y + 16, x + 10, y + 20), 1), (200, 220, 238))

    def paint(img, t, _):
        hub = (192, 125)
        d = ImageDraw.Draw(img)
        for x, y in nodes:
            d.line((x, y, hub[0], hub[1]), fill=(60, 110, 160), width=2)
        kit.fill(img, kit.rrect_mask(SIZE, (hub[0] - 34, hub[1] - 12, hub[0] + 34, hub[1] + 12), 4), (30, 60, 100))
        for k in range(6):
            on = int(t * 6 + k) % 3 == 0
            kit.fill(img, kit.ellipse_mask(SIZE, (hub[0] - 26 + k * 10, hub[1] - 3, hub[0] - 21 + k * 10, hub[1] + 2)),
                     kit.MINT if on else (40, 80, 70))
        for x, y in nodes:
            pc(img, x, y)
        speed = phase(t, 2.0, 8.0)
        for k in range(8):
            src, dst = nodes[k % 4], nodes[(k + 2) % 4]
            u = (t * (0.35 + 0.9 * speed) + k * 0.29) % 1.0
            a, b = (src, hub) if u < 0.5 else (hub, dst)
            v = (u % 0.5) * 2
            px, py = a[0] + (b[0] - a[0]) * v, a[1] + (b[1] - a[1]) * v
            kit.fill(img, kit.rrect_mask(SIZE, (int(px) - 3, int(py) - 3, int(px) + 3, int(py) + 3), 1),
                     kit.GOLD if k % 2 else kit.SKY)
        say(img, (W / 2, 24), "Gigabit LAN", 22, kit.WHITE, phase(t, 0, 0.8))
        say(img, (W / 2, 44), "on every VX board", 10, kit.SKY, phase(t, 0.3, 1.1), kind="sans")
        say(img, (W / 2, 212), "%d Mbit/s" % int(100 + 900 * speed), 14, kit.mix(kit.SKY, kit.GOLD, speed))
        badge(img)
    r.scene(18.0, paint, step_ms=150)
    r.scene(2.0, lambda img, t, u: (paint(img, 18.0, 1), end_card(img, "Gigabit LAN", "Fast lanes, built right in.", u)), step_ms=250)
    r.hold(15.5, lambda img, t, u: (paint(img, 18.0, 1), end_card(img, "Gigabit LAN", "Fast lanes, built right in.", 1)))
    return r


def ecopower():
    r = Reel(stage())

    def paint(img, t, _):
        drop = phase(t, 2.0, 9.0)
        watts = int(round(95 - 34 * drop))
        kit.fill(img, kit.rrect_mask(SIZE, (60, 70, 110, 190), 8), (30, 56, 92))
        h = int(110 * (watts / 100))
        kit.fill(img, kit.rrect_mask(SIZE, (66, 186 - h, 104, 186), 5), kit.mix(kit.EXIT_RED, kit.MINT, drop))
        say(img, (85, 206), "%d W" % watts, 16, kit.WHITE)
        grow = phase(t, 3.0, 8.0)
        size = 8 + 52 * grow
        rot = math.radians(-35)

        def at(u, v):  # leaf coordinates (u along the midrib, -1..1) to frame pixels
            return (250 + size * (u * math.cos(rot) - v * math.sin(rot)),
                    128 + size * (u * math.sin(rot) + v * math.cos(rot)))
        outline = [at(u / 10, 0.42 * (1 - (u / 10) ** 2)) for u in range(-10, 11)] + \
                  [at(u / 10, -0.42 * (1 - (u / 10) ** 2)) for u in range(10, -11, -1)]
        leaf = kit.shape_mask(SIZE, lambda d, s: d.polygon([(x * s, y * s) for x, y in outline], fill=255))
        kit.fill(img, leaf, kit.MINT)
        rib = kit.shape_mask(SIZE, lambda d, s: d.line([(x * s, y * s) for x, y in (at(-1.25, 0), at(0.8, 0))],
                                                       fill=255, width=int(2 * s)))
        kit.fill(img, rib, kit.DEEP, 0.8)
        say(img, (250, 190), "S3 sleep \u00b7 wake on keyboard", 10, kit.SKY, phase(t, 8.0, 9.0), kind="sans")
        say(img, (W / 2, 26), "EcoPower", 24, kit.WHITE, phase(t, 0, 0.8))
        say(img, (W / 2, 48), "a third less power at idle", 11, kit.SKY, phase(t, 0.3, 1.1), kind="sans")
        badge(img)
    r.scene(11.0, paint)
    r.scene(2.0, lambda img, t, u: (paint(img, 11.0, 1), end_card(img, "EcoPower", "Less heat. Less noise. Less bill.", u, kit.MINT)), step_ms=250)
    r.hold(5.5, lambda img, t, u: (paint(img, 11.0, 1), end_card(img, "EcoPower", "Less heat. Less noise. Less bill.", 1, kit.MINT)))
    return r


def quietspin():
    r = Reel(_disc_stage((330, 80), 34))

    def paint(img, t, _):
        level = int(round(24 - 14 * phase(t, 2.0, 5.5)))
        kit.fill(img, kit.rrect_mask(SIZE, (96, 120, 290, 176), 8), kit.PANEL)
        for i in range(24):
            top = 158 if i <= 2 else (138 if i >= 21 else 160 - i)
            x = 106 + 7 * i
            img.paste(kit.BLACK if i < level else kit.METER_BLUE, (x, top, x + 3, 162))
        img.paste(kit.SKY, (100, 164, 286, 169))
        px = 106 + 7 * level
        arrow = kit.shape_mask(SIZE, lambda d, s: d.polygon([((px + a) * s, (186 + b) * s) for a, b in
                                                             ((0, 0), (-8, 8), (-3, 8), (-3, 14), (3, 14), (3, 8), (8, 8))], fill=255))
        kit.fill(img, arrow, kit.WHITE)
        _spin_mark(img, 330, 80, 26, t * (500 * (1 - phase(t, 2.0, 5.5)) + 40), 0.55)
        say(img, (24, 36), "QuietSpin", 26, kit.WHITE, phase(t, 0, 0.8), "lm")
        say(img, (26, 62), "CD-ROM speed control", 11, kit.SKY, phase(t, 0.3, 1.1), "lm", "sans")
        say(img, (193, 222), "move to choose \u00b7 click to apply", 11, kit.GOLD, phase(t, 5.5, 6.3))
        badge(img)
    r.scene(8.0, paint)
    r.scene(1.5, lambda img, t, u: (paint(img, 8.0, 1), end_card(img, "QuietSpin", "Your CD-ROM, quietly.", u)), step_ms=250)
    r.hold(1.5, lambda img, t, u: (paint(img, 8.0, 1), end_card(img, "QuietSpin", "Your CD-ROM, quietly.", 1)))
    return r


# Playlist order: file showcaseN.gif is movie N.
MOVIES = [murmex, vx880_part1, vx880_part2, smartbios, turbodial, clearwave, gigabit, ecopower, quietspin]
