"""Windows icon and cursor files written byte by byte.

Pillow's ICO writer stores PNG entries and knows no cursors; the program and its resource compiler
want classic BMP-style entries with an AND mask, so the layout is packed here by hand.
"""
import struct

from PIL import Image

# The 16 colours of the standard VGA palette, the one 4-bit cursors are drawn with.
VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
         (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
         (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def _and_mask(transparent, w, h):
    """Bottom-up 1-bit rows, 32-bit aligned; a set bit lets the screen through."""
    stride = ((w + 31) // 32) * 4
    out = bytearray()
    for y in reversed(range(h)):
        row = bytearray(stride)
        for x in range(w):
            if transparent[y * w + x]:
                row[x // 8] |= 0x80 >> (x % 8)
        out += row
    return bytes(out)


def _info_header(w, h, bits, image_bytes, colours=0):
    # Height counts the colour bitmap and the mask together, as icon entries require.
    return struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, bits, 0, image_bytes, 0, 0, colours, 0)


def icon_24(img, opaque):
    """One-image .ico: 24 bits per pixel plus AND mask. img RGB, opaque an L image (>= 128 opaque)."""
    w, h = img.size
    stride = (w * 3 + 3) & ~3
    px, op = list(img.getdata()), [v >= 128 for v in opaque.getdata()]
    xor = bytearray()
    for y in reversed(range(h)):
        row = bytearray(stride)
        for x in range(w):
            r, g, b = px[y * w + x] if op[y * w + x] else (0, 0, 0)
            row[x * 3:x * 3 + 3] = bytes((b, g, r))
        xor += row
    mask = _and_mask([not o for o in op], w, h)
    data = _info_header(w, h, 24, len(xor) + len(mask)) + bytes(xor) + mask
    return struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", w, h, 0, 0, 1, 24, len(data), 22) + data


def cursor_4bit(rows, hotspot, colours):
    """One-image 32 x 32 .cur at 4 bits per pixel from character art.

    rows: strings; ' ' is transparent, any other character is looked up in colours (char -> VGA index).
    """
    w = h = 32
    grid = [r.ljust(w)[:w] for r in rows] + [" " * w] * (h - len(rows))
    stride = w // 2
    xor = bytearray()
    for y in reversed(range(h)):
        row = bytearray(stride)
        for x in range(w):
            idx = 0 if grid[y][x] == " " else colours[grid[y][x]]
            row[x // 2] |= idx << (4 if x % 2 == 0 else 0)
        xor += row
    mask = _and_mask([grid[y][x] == " " for y in range(h) for x in range(w)], w, h)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in VGA16)
    data = _info_header(w, h, 4, len(xor) + len(mask), 16) + palette + bytes(xor) + mask
    head = struct.pack("<HHH", 0, 2, 1)  # type 2: cursor
    entry = struct.pack("<BBBBHHII", w, h, 16, 0, hotspot[0], hotspot[1], len(data), 22)
    return head + entry + data


HAND = [
    "            ##",
    "           #..#",
    "           #..#",
    "           #..#",
    "           #..#",
    "           #..###",
    "           #..#..###",
    "           #..#..#..##",
    "           #..#..#..#.#",
    "       ### #..#..#..#..#",
    "       #..##........#..#",
    "        #..#...........#",
    "        #..............#",
    "         #.............#",
    "         #.............#",
    "          #...........#",
    "          #...........#",
    "           #.........#",
    "           #.........#",
    "           ###########",
]


def hand_cursor():
    """Pointing hand for the three web links; the fingertip is the hot spot (12, 1)."""
    return cursor_4bit(HAND, (12, 1), {"#": 0, ".": 15})


def harrow_rows():
    """Horizontal double arrow, symmetric about column 16 and row 16 (its hot spot)."""
    inside = set()
    for j in range(6):
        for y in range(16 - j, 17 + j):
            inside.add((5 + j, y))
            inside.add((27 - j, y))
    for x in range(11, 22):
        inside.update({(x, 15), (x, 16), (x, 17)})
    rows = []
    for y in range(32):
        row = ""
        for x in range(32):
            if (x, y) in inside:
                row += "."
            elif any((x + dx, y + dy) in inside for dx in (-1, 0, 1) for dy in (-1, 0, 1)):
                row += "#"
            else:
                row += " "
        rows.append(row.rstrip())
    return rows


def harrow_cursor():
    return cursor_4bit(harrow_rows(), (16, 16), {"#": 0, ".": 15})


def preview_cursor(data, scale=8):
    """Decode our own 4-bit cursor back into a picture (for looking at it, not for the program)."""
    img = Image.new("RGB", (32, 32), (200, 60, 200))
    base = 22 + 40 + 64
    for y in range(32):
        for x in range(32):
            byte = data[base + (31 - y) * 16 + x // 2]
            idx = (byte >> 4) if x % 2 == 0 else (byte & 15)
            mbyte = data[base + 512 + (31 - y) * 4 + x // 8]
            if not (mbyte >> (7 - x % 8)) & 1:
                img.putpixel((x, y), VGA16[idx])
    return img.resize((32 * scale, 32 * scale), Image.NEAREST)
