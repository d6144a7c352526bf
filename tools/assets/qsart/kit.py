"""Drawing kit shared by every QuietSpin picture: the palette, fonts and soft shapes.

Pillow draws hard-edged shapes, so every rounded shape is drawn four times larger on a mask and
scaled down; that is what gives the skin its smooth outlines without a vector library.
"""
import os

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

SS = 4  # supersampling factor for smooth edges

# The palette. Label colours are fixed by the program; the rest is chosen to sit with them.
SKY = (71, 175, 234)        # lblTrack / lblFlashDescription background, Line1
METER_BLUE = (47, 141, 204)  # meter bars above the chosen level
NAVY = (16, 42, 76)
DEEP = (24, 70, 124)
STEEL = (96, 128, 160)
SILVER_HI = (238, 245, 251)
SILVER_LO = (186, 208, 228)
PANEL = (243, 248, 252)
TIP_YELLOW = (255, 255, 224)
TRACK_YELLOW = (255, 255, 0)
GOLD = (255, 206, 72)
WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
EXIT_RED = (222, 74, 58)
MINT = (104, 214, 170)

_FONT_DIRS = ["/usr/share/fonts/truetype/dejavu", "/usr/share/fonts/truetype/liberation"]
_FONT_FILES = {
    "sans": ["DejaVuSans.ttf", "LiberationSans-Regular.ttf"],
    "bold": ["DejaVuSans-Bold.ttf", "LiberationSans-Bold.ttf"],
    "cond": ["DejaVuSansCondensed-Bold.ttf", "LiberationSansNarrow-Bold.ttf"],
    "light": ["DejaVuSans-ExtraLight.ttf", "LiberationSans-Regular.ttf"],
    "oblique": ["DejaVuSans-BoldOblique.ttf", "LiberationSans-BoldItalic.ttf"],
}
_font_cache = {}


def font(kind, size):
    """A TrueType font of the given kind; the build stops if none is installed (no bitmap fallback)."""
    key = (kind, size)
    if key not in _font_cache:
        for name in _FONT_FILES[kind]:
            for folder in _FONT_DIRS:
                path = os.path.join(folder, name)
                if os.path.exists(path):
                    _font_cache[key] = ImageFont.truetype(path, size)
                    break
            if key in _font_cache:
                break
        else:
            raise SystemExit("no TrueType font for %r: install fonts-dejavu-core" % kind)
    return _font_cache[key]


def mix(a, b, t):
    """Colour between a (t = 0) and b (t = 1)."""
    t = max(0.0, min(1.0, t))
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def vgradient(size, top, bottom):
    """An RGB image fading from top to bottom colour."""
    w, h = size
    ramp = Image.linear_gradient("L").resize((w, max(1, h)), Image.BILINEAR)
    return Image.composite(Image.new("RGB", (w, h), bottom), Image.new("RGB", (w, h), top), ramp)


def hgradient(size, left, right):
    w, h = size
    ramp = Image.linear_gradient("L").rotate(90, expand=True).transpose(Image.FLIP_LEFT_RIGHT)
    ramp = ramp.resize((max(1, w), h), Image.BILINEAR)
    return Image.composite(Image.new("RGB", (w, h), right), Image.new("RGB", (w, h), left), ramp)


def radial(size, centre, inner, outer, radius):
    """Soft radial glow: inner colour at centre fading to outer at radius."""
    w, h = size
    # Pillow's ramp is 0 at the centre and 255 in the corners; stretch it so r = 128 is 255.
    ramp = Image.radial_gradient("L").point(lambda v: min(255, v * 255 // 180))
    scale = radius / 128.0
    big = ramp.resize((max(1, int(256 * scale)), max(1, int(256 * scale))), Image.BILINEAR)
    mask = Image.new("L", (w, h), 255)
    mask.paste(big, (int(centre[0] - 128 * scale), int(centre[1] - 128 * scale)))
    return Image.composite(Image.new("RGB", (w, h), outer), Image.new("RGB", (w, h), inner), mask)


def shape_mask(size, draw_fn):
    """A smooth L mask: draw_fn(draw, s) draws white shapes with coordinates multiplied by s."""
    w, h = size
    big = Image.new("L", (w * SS, h * SS), 0)
    draw_fn(ImageDraw.Draw(big), SS)
    return big.resize((w, h), Image.LANCZOS)


def rrect_mask(size, box, radius):
    x0, y0, x1, y1 = box
    return shape_mask(size, lambda d, s: d.rounded_rectangle(
        (x0 * s, y0 * s, (x1 + 1) * s - 1, (y1 + 1) * s - 1), radius=radius * s, fill=255))


def ellipse_mask(size, box):
    x0, y0, x1, y1 = box
    return shape_mask(size, lambda d, s: d.ellipse(
        (x0 * s, y0 * s, (x1 + 1) * s - 1, (y1 + 1) * s - 1), fill=255))


def fill(img, mask, colour_or_img, opacity=1.0):
    """Paint a colour or an image of the same size through a mask."""
    src = colour_or_img if isinstance(colour_or_img, Image.Image) else Image.new(img.mode, img.size, colour_or_img)
    if opacity < 1.0:
        mask = mask.point(lambda v: int(v * opacity))
    img.paste(src, (0, 0), mask)


def shadow(img, mask, offset=(0, 2), blur=3, colour=(0, 0, 0), opacity=0.35):
    moved = ImageChops.offset(mask, offset[0], offset[1]).filter(ImageFilter.GaussianBlur(blur))
    fill(img, moved, colour, opacity)


def ring(mask, width):
    """The band of `width` pixels just inside the edge of a mask."""
    inner = mask.filter(ImageFilter.MinFilter(2 * width + 1))
    return ImageChops.subtract(mask, inner)


def text(img, xy, s, fnt, colour, anchor="la", glow=None, shade=None):
    """Anti-aliased text, optionally with a soft glow or a 1-px drop shade under it."""
    layer = Image.new("L", img.size, 0)
    ImageDraw.Draw(layer).text(xy, s, font=fnt, fill=255, anchor=anchor)
    if glow:
        fill(img, layer.filter(ImageFilter.GaussianBlur(glow[1])).point(lambda v: min(255, v * 3)), glow[0], 0.7)
    if shade:
        fill(img, ImageChops.offset(layer, 1, 1), shade, 0.6)
    fill(img, layer, colour)
    return layer


def text_width(s, fnt):
    box = fnt.getbbox(s)
    return box[2] - box[0]
