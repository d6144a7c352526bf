#!/usr/bin/python3
"""Draws every picture QuietSpin and Backdrop need: the skin folder that ships beside the program
and the pictures compiled into the two executables.

    make_assets.py --skin DIR --generated DIR [--stamp FILE] [--preview FILE]
"""
import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from qsart import emblems, layout, preview, showcases, skin, winfmt  # noqa: E402

JPEG = {"quality": 95, "subsampling": 0}  # 4:4:4 so the skin's label blue stays exact


def write_skin(out):
    shape = skin.outline_mask()
    skin.mask_bitmap(shape).save(os.path.join(out, "Mask.bmp"))
    bare = skin.bare_background(shape)
    skin.background(bare).save(os.path.join(out, "QuietSpin_normal.jpg"), **JPEG)

    def piece(name, box, painter, *args):
        skin.overlay(bare, box, painter, *args).save(os.path.join(out, name), **JPEG)
    piece("title_normal.jpg", layout.TITLE, skin.draw_title, False)
    piece("title_light.jpg", layout.TITLE, skin.draw_title, True)
    piece("exit_normal.jpg", layout.EXIT, skin.draw_exit, False)
    piece("exit_click.jpg", layout.EXIT, skin.draw_exit, True)
    for k, name in enumerate(layout.BUTTON_NAMES):
        for look in ("move", "click", "go"):
            piece("%s_%s.jpg" % (name, look), layout.button_box(k), skin.draw_button, k, look)
    with open(os.path.join(out, "harrow.cur"), "wb") as f:
        f.write(winfmt.harrow_cursor())
    frames, delays = emblems.murmex_frames()
    frames = [f.quantize(colors=64) for f in frames]
    frames[0].save(os.path.join(out, "murmex_logo.gif"), save_all=True, append_images=frames[1:],
                   duration=delays, loop=0)
    for n, make in enumerate(showcases.MOVIES, start=1):
        make().save(os.path.join(out, "showcase%d.gif" % n))


def write_generated(out):
    image, cover = emblems.app_icon_image()
    with open(os.path.join(out, "app.ico"), "wb") as f:
        f.write(winfmt.icon_24(image, cover))
    with open(os.path.join(out, "hand.cur"), "wb") as f:
        f.write(winfmt.hand_cursor())
    emblems.vantor_logo().save(os.path.join(out, "vantor_logo.jpg"), quality=92)
    emblems.backdrop().save(os.path.join(out, "backdrop.jpg"), quality=90)


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("--skin", required=True, help="the GIF folder of the program folder")
    ap.add_argument("--generated", required=True, help="folder for pictures compiled into the programs")
    ap.add_argument("--stamp", help="file touched when everything is written")
    ap.add_argument("--preview", help="PNG of the whole window as the program shows it")
    args = ap.parse_args()
    for d in (args.skin, args.generated):
        os.makedirs(d, exist_ok=True)
    write_skin(args.skin)
    write_generated(args.generated)
    if args.preview:
        preview.window_preview(args.skin).save(args.preview)
    if args.stamp:
        with open(args.stamp, "w") as f:
            f.write("ok\n")


if __name__ == "__main__":
    main()
