"""The main window's skin: outline mask, background, title strip, exit and transport pictures.

Every overlay picture is cut from the finished background with its own look drawn over it, so
the program can lay it on the background without a visible seam.
"""
import random

from PIL import Image, ImageChops, ImageDraw, ImageFilter

from . import kit
from . import layout as L

W, H = L.WINDOW


# ---------------------------------------------------------------- outline
def outline_mask():
    """Smooth L mask of the window shape: body, a tab for the name plate, a chin for the meter and
    a bulge for the disc. Blurring the union at 4x and cutting it again rounds every joint."""
    def draw(d, s):
        d.rounded_rectangle((4 * s, 16 * s, 522 * s, 486 * s), radius=26 * s, fill=255)
        d.rounded_rectangle((48 * s, 0, 430 * s, 60 * s), radius=18 * s, fill=255)
        d.rounded_rectangle((150 * s, 400 * s, 462 * s, 499 * s), radius=18 * s, fill=255)
        d.ellipse(((478 - 48) * s, (150 - 48) * s, (478 + 48) * s, (150 + 48) * s), fill=255)
    big = Image.new("L", (W * kit.SS, H * kit.SS), 0)
    draw(ImageDraw.Draw(big), kit.SS)
    big = big.filter(ImageFilter.GaussianBlur(6 * kit.SS)).point(lambda v: 255 if v >= 128 else 0)
    return big.resize((W, H), Image.LANCZOS)


def mask_bitmap(shape):
    """Mask.bmp: magenta outside, white inside; a pixel is inside when the shape covers half of it."""
    inside = shape.point(lambda v: 255 if v >= 128 else 0)
    return Image.composite(Image.new("RGB", (W, H), kit.WHITE), Image.new("RGB", (W, H), (255, 0, 255)), inside)


# ---------------------------------------------------------------- pieces
def _brushed(seed=7):
    rnd = random.Random(seed)
    col = Image.new("L", (24, H))
    col.putdata([128 + int(rnd.gauss(0, 22)) for _ in range(24 * H)])
    return col.resize((W, H), Image.BILINEAR)


def _recess(img, box, radius, face_top, face_bottom, depth=3):
    """A panel sunk into the body: shaded top edge, lit bottom edge."""
    m = kit.rrect_mask(img.size, box, radius)
    kit.fill(img, kit.rrect_mask(img.size, (box[0], box[1] + 1, box[2], box[3] + 1), radius), kit.WHITE, 0.9)
    kit.fill(img, m, kit.vgradient(img.size, face_top, face_bottom) if face_top != face_bottom else face_top)
    inner = ImageChops.subtract(m, ImageChops.offset(m, 0, depth).filter(ImageFilter.GaussianBlur(depth)))
    kit.fill(img, inner, (10, 30, 60), 0.45)
    kit.fill(img, kit.ring(m, 1), (70, 95, 125), 0.7)
    return m


def disc(img, centre, r, spin=0.0):
    """A compact disc with a soft rainbow sheen; spin turns the sheen (used by the movies too)."""
    cx, cy = centre
    size = img.size
    body = kit.ellipse_mask(size, (cx - r, cy - r, cx + r, cy + r))
    kit.shadow(img, body, (2, 3), 4, kit.NAVY, 0.35)
    kit.fill(img, body, (214, 226, 238))
    sheen = Image.new("RGB", size, (214, 226, 238))
    d = ImageDraw.Draw(sheen)
    hues = [(150, 210, 245), (190, 240, 220), (250, 235, 190), (240, 200, 230), (170, 190, 250)]
    for k in range(12):
        a0 = spin + k * 30
        d.pieslice((cx - r, cy - r, cx + r, cy + r), a0, a0 + 30, fill=hues[k % len(hues)])
    sheen = sheen.filter(ImageFilter.GaussianBlur(max(2, r // 6)))
    kit.fill(img, body, sheen, 0.85)
    for rr, col, op in ((r, (90, 120, 150), 0.8), (int(r * 0.36), (120, 140, 165), 0.7)):
        kit.fill(img, kit.ring(kit.ellipse_mask(size, (cx - rr, cy - rr, cx + rr, cy + rr)), 1), col, op)
    hub = int(r * 0.33)
    kit.fill(img, kit.ellipse_mask(size, (cx - hub, cy - hub, cx + hub, cy + hub)), (236, 242, 248))
    hole = max(3, int(r * 0.13))
    kit.fill(img, kit.ellipse_mask(size, (cx - hole, cy - hole, cx + hole, cy + hole)), (60, 90, 125))


def _symbol(d, name, cx, cy, s, colour):
    """Transport symbol centred at (cx, cy) on a 4x canvas; s is the scale."""
    def tri(x, y, w, h, right=True):
        pts = [(x, y - h / 2), (x + w, y), (x, y + h / 2)] if right else [(x + w, y - h / 2), (x, y), (x + w, y + h / 2)]
        d.polygon([(px * s, py * s) for px, py in pts], fill=colour)

    def bar(x, y, w, h):
        d.rectangle((x * s, (y - h / 2) * s, (x + w) * s - 1, (y + h / 2) * s - 1), fill=colour)
    h = 12
    if name == "play":
        tri(cx - 5, cy, 11, 13)
    elif name == "pause":
        bar(cx - 6, cy, 4, h)
        bar(cx + 2, cy, 4, h)
    elif name == "stop":
        bar(cx - 5.5, cy, 11, 11)
    elif name == "next":
        tri(cx - 8, cy, 8, h)
        tri(cx, cy, 8, h)
    elif name == "previous":
        tri(cx - 8, cy, 8, h, False)
        tri(cx, cy, 8, h, False)
    elif name == "first":
        bar(cx - 10, cy, 2.5, h)
        tri(cx - 7, cy, 8, h, False)
        tri(cx + 1, cy, 8, h, False)
    elif name == "last":
        tri(cx - 9, cy, 8, h)
        tri(cx - 1, cy, 8, h)
        bar(cx + 7.5, cy, 2.5, h)


BUTTON_LOOKS = {
    # face top, face bottom, rim, symbol, symbol glow
    "normal": ((252, 253, 255), (196, 213, 230), (112, 138, 168), kit.NAVY, None),
    "move": ((255, 255, 255), (178, 222, 250), (47, 141, 204), kit.DEEP, (150, 215, 250)),
    "click": ((160, 188, 216), (222, 234, 246), (60, 95, 135), kit.NAVY, None),
    "go": ((132, 210, 252), (36, 124, 196), (20, 80, 140), kit.WHITE, (255, 244, 170)),
}


def draw_button(img, k, look):
    x0, y0, x1, y1 = L.button_box(k)
    top, bottom, rim, sym, glow = BUTTON_LOOKS[look]
    box = (x0 + 2, y0 + 2, x1 - 2, y1 - 2)
    m = kit.rrect_mask(img.size, box, 8)
    if look != "click":
        kit.shadow(img, m, (0, 1), 1.5, kit.NAVY, 0.45)
    kit.fill(img, m, kit.vgradient(img.size, top, bottom))
    if look == "click":
        inner = ImageChops.subtract(m, ImageChops.offset(m, 1, 2).filter(ImageFilter.GaussianBlur(1.5)))
        kit.fill(img, inner, (10, 30, 60), 0.5)
    else:
        gloss = kit.rrect_mask(img.size, (box[0] + 2, box[1] + 1, box[2] - 2, box[1] + 11), 6)
        kit.fill(img, gloss, kit.WHITE, 0.45 if look != "go" else 0.3)
    kit.fill(img, kit.ring(m, 1), rim, 0.9)
    cx, cy = (x0 + x1 + 1) / 2, (y0 + y1 + 1) / 2
    if look == "click":
        cx, cy = cx + 1, cy + 1
    sym_mask = kit.shape_mask(img.size, lambda d, s: _symbol(d, L.BUTTON_NAMES[k], cx, cy, s, 255))
    if glow:
        kit.fill(img, sym_mask.filter(ImageFilter.GaussianBlur(2.5)).point(lambda v: min(255, v * 3)), glow, 0.8)
    if look == "normal":
        kit.fill(img, ImageChops.offset(sym_mask, 0, 1), kit.WHITE, 0.7)
    kit.fill(img, sym_mask, sym)


def draw_exit(img, lit):
    x0, y0, x1, y1 = L.EXIT
    cx, cy, r = (x0 + x1 + 1) / 2, (y0 + y1 + 1) / 2, 13
    m = kit.ellipse_mask(img.size, (cx - r, cy - r, cx + r - 1, cy + r - 1))
    kit.shadow(img, m, (0, 1), 1.5, kit.NAVY, 0.5)
    top, bottom, rim = ((255, 160, 140), (200, 48, 36), (130, 30, 20)) if lit else \
        ((250, 252, 255), (190, 208, 226), (105, 130, 160))
    kit.fill(img, m, kit.vgradient(img.size, top, bottom))
    kit.fill(img, kit.ellipse_mask(img.size, (cx - 9, cy - 12, cx + 8, cy - 2)), kit.WHITE, 0.4)
    kit.fill(img, kit.ring(m, 1), rim)
    cross = kit.shape_mask(img.size, lambda d, s: [
        d.line(((cx - 5) * s, (cy - 5) * s, (cx + 5) * s, (cy + 5) * s), fill=255, width=int(2.6 * s)),
        d.line(((cx - 5) * s, (cy + 5) * s, (cx + 5) * s, (cy - 5) * s), fill=255, width=int(2.6 * s))])
    if lit:
        kit.fill(img, cross.filter(ImageFilter.GaussianBlur(2)), (255, 230, 200), 0.7)
    kit.fill(img, cross, kit.WHITE if lit else (150, 40, 30))


def draw_title(img, lit):
    x0, y0, x1, _ = L.TITLE
    plate = (x0 + 2, y0 + 1, x1 - 2, y0 + 21)
    m = kit.rrect_mask(img.size, plate, 10)
    kit.shadow(img, m, (0, 2), 2.5, kit.NAVY, 0.5)
    top, bottom = ((110, 200, 248), (30, 110, 186)) if lit else ((46, 100, 160), (14, 40, 78))
    kit.fill(img, m, kit.vgradient(img.size, top, bottom))
    kit.fill(img, kit.rrect_mask(img.size, (plate[0] + 6, plate[1] + 1, plate[2] - 6, plate[1] + 8), 5),
             kit.WHITE, 0.35 if lit else 0.2)
    kit.fill(img, kit.ring(m, 1), (8, 30, 60) if not lit else (20, 80, 150), 0.9)
    name_font, sub_font = kit.font("bold", 15), kit.font("sans", 10)
    sub = "CD-ROM speed control"
    wq, ws = kit.text_width("Quiet", name_font), kit.text_width("Spin", name_font)
    total = wq + ws + 12 + kit.text_width(sub, sub_font)
    tx, ty = (x0 + x1 + 1) / 2 - total / 2, plate[1] + 10
    glow = ((255, 255, 255), 2.5) if lit else None
    kit.text(img, (tx, ty), "Quiet", name_font, kit.WHITE, "lm", glow=glow, shade=(0, 10, 30))
    kit.text(img, (tx + wq, ty), "Spin", name_font, (255, 236, 140) if lit else kit.SKY, "lm", glow=glow,
             shade=(0, 10, 30))
    kit.text(img, (tx + wq + ws + 12, ty + 1), sub, sub_font, (235, 248, 255) if lit else (170, 205, 235), "lm")


def _meter_legend(img):
    # Left of the meter: what the meter is for, and which end is slow.
    kit.text(img, (62, 442), "DRIVE SPEED", kit.font("bold", 11), kit.DEEP, "lm", shade=kit.WHITE)
    kit.text(img, (62, 456), "move, then click", kit.font("sans", 9), kit.STEEL, "lm")
    kit.text(img, (194, 452), "slow", kit.font("bold", 9), kit.STEEL, "rm")
    kit.text(img, (404, 452), "fast", kit.font("bold", 9), kit.STEEL, "lm")


def _side_column(img):
    """Right of the showcase: the disc in its bulge, a calm sign and a slow-to-fast legend."""
    disc(img, (478, 150), 38, spin=15)
    waves = kit.shape_mask(img.size, lambda d, s: [
        d.arc(((478 - rr) * s, (150 - rr) * s, (478 + rr) * s, (150 + rr) * s), -35, 35, fill=255, width=int(1.6 * s))
        for rr in (42, 46)])
    kit.fill(img, waves, kit.SKY, 0.8)
    kit.text(img, (478, 208), "QUIET", kit.font("bold", 10), kit.DEEP, "mm", shade=kit.WHITE)
    kit.text(img, (478, 220), "DRIVE", kit.font("sans", 9), kit.STEEL, "mm")
    x, base = 449, 262
    for i in range(8):
        h = 4 + i * 2.4
        col = kit.mix(kit.METER_BLUE, kit.NAVY, i / 7)
        bar = kit.rrect_mask(img.size, (x + i * 8, int(base - h), x + i * 8 + 4, base), 1)
        kit.fill(img, bar, col)
    kit.text(img, (449, 272), "slow", kit.font("sans", 9), kit.STEEL, "lm")
    kit.text(img, (509, 272), "fast", kit.font("sans", 9), kit.STEEL, "rm")


def bare_background(shape):
    """The window without its buttons and title plate: the ground every overlay is cut from."""
    img = kit.vgradient((W, H), kit.SILVER_HI, kit.SILVER_LO)
    streaks = _brushed().point(lambda v: max(0, min(255, (v - 100) * 2)))
    kit.fill(img, streaks, kit.WHITE, 0.18)
    # Showcase bezel: a dark glass frame the movie sits in.
    _recess(img, (30, 22, 434, 281), 14, (40, 70, 110), (14, 34, 62), depth=4)
    kit.fill(img, kit.rrect_mask(img.size, (38, 30, 426, 273), 4), (6, 16, 30))
    # Transport deck.
    _recess(img, (24, 298, 402, 344), 12, (150, 176, 202), (200, 218, 234), depth=3)
    # Exit socket.
    cx, cy = (L.EXIT[0] + L.EXIT[2] + 1) / 2, (L.EXIT[1] + L.EXIT[3] + 1) / 2
    _recess(img, (int(cx - 18), int(cy - 18), int(cx + 17), int(cy + 17)), 18, (150, 176, 202), (205, 222, 238), 3)
    # Info display behind the track and description labels, in the labels' own blue.
    _recess(img, (40, 349, 440, 434), 10, kit.SKY, kit.SKY, depth=3)
    # Meter panel: light, so both black and blue bars read.
    _recess(img, (198, 429, 398, 470), 8, (226, 236, 246), kit.PANEL, depth=2)
    _meter_legend(img)
    _side_column(img)
    kit.text(img, (40, 478), "VANTOR", kit.font("bold", 11), (88, 116, 148), "lm", shade=kit.WHITE)
    kit.text(img, (95, 478), "with Murmex technology", kit.font("sans", 8), kit.STEEL, "lm")
    # Window rim: dark edge with a light line just inside, following the outline.
    kit.fill(img, kit.ring(shape, 2), (36, 64, 98), 0.9)
    inner = shape.filter(ImageFilter.MinFilter(5))
    kit.fill(img, kit.ring(inner, 1), kit.WHITE, 0.7)
    return img


def background(bare):
    """The window as the program draws it: the bare ground plus the normal look of every piece."""
    img = bare.copy()
    for k in range(7):
        draw_button(img, k, "normal")
    draw_exit(img, False)
    draw_title(img, False)
    return img


def overlay(background_img, box, painter, *args):
    """A picture for a picture box: the background under `box` with painter's look drawn on it."""
    canvas = background_img.copy()
    painter(canvas, *args)
    return canvas.crop((box[0], box[1], box[2] + 1, box[3] + 1))
