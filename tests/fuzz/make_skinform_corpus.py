#!/usr/bin/env python3
"""Writes the seed corpus of mask bitmaps for the SkinForm fuzzer and its replay test.

Well-formed masks of every depth, row order and header version, and hostile ones: damaged headers,
offsets past the end, huge sizes, compressed payloads, oversized colour tables, truncations.
Run from anywhere: python3 tests/fuzz/make_skinform_corpus.py
"""
import pathlib
import struct

OUT = pathlib.Path(__file__).resolve().parent / "corpus" / "skinform"
MAGENTA = 0xFF00FF


def bmp(width, height, bits, pixels, palette=(), header_size=40, compression=0, colours_used=0,
        masks=(), offset=None, planes=1):
    rows = abs(height)
    stride = (width * bits + 31) // 32 * 4
    masks_after = header_size == 40 and masks
    table_at = 14 + header_size + (12 if masks_after else 0)
    natural = table_at + 4 * len(palette)
    offset = natural if offset is None else offset
    data = bytearray(max(natural, offset + stride * rows))
    data[0:2] = b"BM"
    struct.pack_into("<IHHI", data, 2, len(data), 0, 0, offset)
    struct.pack_into("<IiiHHIIiiII", data, 14, header_size, width, height, planes, bits, compression,
                     stride * rows, 2835, 2835, colours_used, 0)
    for i, m in enumerate(masks):
        struct.pack_into("<I", data, 54 + 4 * i, m)
    for i, c in enumerate(palette):
        struct.pack_into("<BBBB", data, table_at + 4 * i, c & 0xFF, (c >> 8) & 0xFF, c >> 16, 0)
    for y in range(rows):
        row = offset + stride * (y if height < 0 else rows - 1 - y)
        for x in range(width):
            v = pixels[y * width + x]
            if bits == 1:
                data[row + x // 8] |= (v & 1) << (7 - x % 8)
            elif bits == 4:
                data[row + x // 2] |= (v & 0xF) << (0 if x % 2 else 4)
            elif bits == 8:
                data[row + x] = v
            else:
                size = bits // 8
                data[row + x * size:row + x * size + 3] = bytes((v & 0xFF, (v >> 8) & 0xFF, v >> 16))
    return bytes(data)


def ring(width, height, inside, outside):
    """A frame of `inside` with a hole and cut corners of `outside`: several runs per row."""
    px = []
    for y in range(height):
        for x in range(width):
            corner = (x < 2 or x >= width - 2) and (y < 2 or y >= height - 2)
            hole = 3 <= x < width - 3 and 3 <= y < height - 3
            px.append(outside if corner or hole else inside)
    return px


def main():
    OUT.mkdir(parents=True, exist_ok=True)
    seeds = {}
    w, h = 13, 9
    for bits in (1, 4, 8):
        n = 1 << bits
        palette = [0x808080] * n
        palette[n - 1] = MAGENTA
        for top_down in (False, True):
            hh = -h if top_down else h
            seeds[f"valid_{bits}bpp_{'td' if top_down else 'bu'}"] = bmp(w, hh, bits, ring(w, h, 0, n - 1), palette)
        seeds[f"valid_{bits}bpp_short_table"] = bmp(w, h, bits, ring(w, h, 0, 1), [0x10, MAGENTA], colours_used=2)
    for bits in (24, 32):
        for top_down in (False, True):
            hh = -h if top_down else h
            seeds[f"valid_{bits}bpp_{'td' if top_down else 'bu'}"] = bmp(w, hh, bits, ring(w, h, 0x00FF00, MAGENTA))
    std_masks = (0x00FF0000, 0x0000FF00, 0x000000FF)
    for hs in (40, 52, 56, 108, 124):
        seeds[f"valid_32bpp_bitfields_h{hs}"] = bmp(w, h, 32, ring(w, h, 1, MAGENTA), header_size=hs,
                                                    compression=3, masks=std_masks)
        seeds[f"valid_8bpp_h{hs}"] = bmp(w, h, 8, ring(w, h, 0, 1), [0, MAGENTA], header_size=hs, colours_used=2)

    base = seeds["valid_24bpp_bu"]

    def patched(fmt, at, value, src=base):
        b = bytearray(src)
        struct.pack_into(fmt, b, at, value)
        return bytes(b)

    seeds["bad_magic"] = b"BN" + base[2:]
    for hs in (0, 12, 41, 0xFFFFFFFF):
        seeds[f"bad_header_size_{hs:x}"] = patched("<I", 14, hs)
    for wv in (0, -1, 16385, -2**31):
        seeds[f"bad_width_{wv & 0xFFFFFFFF:x}"] = patched("<i", 18, wv)
    for hv in (0, -2**31, 16384, -16384):
        seeds[f"bad_height_{hv & 0xFFFFFFFF:x}"] = patched("<i", 22, hv)
    for bits in (0, 2, 16, 64):
        seeds[f"bad_bits_{bits}"] = patched("<H", 28, bits)
    for comp in (1, 2, 3, 4, 5, 6):
        seeds[f"bad_compression_{comp}"] = patched("<I", 30, comp, seeds["valid_8bpp_bu"])
    seeds["bad_masks"] = patched("<I", 54, 0xFF, seeds["valid_32bpp_bitfields_h40"])
    seeds["bad_colours_used"] = patched("<I", 46, 257, seeds["valid_8bpp_bu"])
    seeds["bad_colours_used_max"] = patched("<I", 46, 0xFFFFFFFF, seeds["valid_4bpp_bu"])
    for off in (0, len(base), 0xFFFFFFFF, 0x7FFFFFFF):
        seeds[f"bad_offset_{off:x}"] = patched("<I", 10, off)
    seeds["bad_index_past_table"] = bmp(w, h, 8, ring(w, h, 0, 7), [0, MAGENTA], colours_used=2)
    seeds["huge_1bpp_no_data"] = patched("<i", 22, 16384, patched("<i", 18, 16384, seeds["valid_1bpp_bu"]))
    for cut in (1, 13, 14, 30, 53, 54, 60, len(base) - 1):
        seeds[f"truncated_24bpp_{cut}"] = base[:cut]
    seeds["empty"] = b""
    for name, data in seeds.items():
        (OUT / f"{name}.bmp").write_bytes(data)
    print(f"wrote {len(seeds)} seeds to {OUT}")


if __name__ == "__main__":
    main()
