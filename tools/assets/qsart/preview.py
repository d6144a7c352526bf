"""A picture of the main window as the program shows it, for judging the skin by eye."""
import os

from PIL import Image, ImageDraw

from . import kit
from . import layout as L


def window_preview(skin_dir, level=14, show_tip=True):
    bg = Image.open(skin_dir + "/QuietSpin_normal.jpg").convert("RGB")
    win = bg.copy()
    win.paste(Image.open(skin_dir + "/title_normal.jpg"), L.TITLE[:2])
    win.paste(Image.open(skin_dir + "/exit_normal.jpg"), L.EXIT[:2])
    win.paste(Image.open(skin_dir + "/play_go.jpg"), (138, 306))
    win.paste(Image.open(skin_dir + "/next_move.jpg"), (295, 306))
    if os.path.exists(skin_dir + "/showcase1.gif"):
        movie = Image.open(skin_dir + "/showcase1.gif")
        movie.seek(min(40, getattr(movie, "n_frames", 1) - 1))
        win.paste(movie.convert("RGB"), L.SHOWCASE[:2])
    d = ImageDraw.Draw(win)
    d.rectangle(L.TRACK, fill=kit.SKY)
    d.text((L.TRACK[0] + 2, L.TRACK[1] + 4), "Track 01 Total: 09", font=kit.font("sans", 12), fill=kit.TRACK_YELLOW)
    d.rectangle(L.DESCRIPTION, fill=kit.SKY)
    d.text((L.DESCRIPTION[0] + 2, L.DESCRIPTION[1] + 4), "Murmex \u2013 the quiet CD-ROM technology",
           font=kit.font("bold", 12), fill=kit.BLACK)
    for i in range(L.BAR_COUNT):
        x = L.BAR_X0 + L.BAR_STEP * i
        d.rectangle((x - 1, L.bar_top(i), x + 1, L.BAR_BOTTOM), fill=kit.BLACK if i < level else kit.METER_BLUE)
    d.rectangle((L.LINE1[0], L.LINE1[1] - 2, L.LINE1[2], L.LINE1[1] + 2), fill=kit.SKY)
    if show_tip:
        d.rectangle(L.TIP, fill=kit.TIP_YELLOW, outline=(0, 0, 0))
        d.text((L.TIP[0] + 3, L.TIP[1] + 2), "Please move mouse to set CD-ROM speed.", font=kit.font("sans", 10),
               fill=kit.BLACK)
    mask = Image.open(skin_dir + "/Mask.bmp").convert("RGB")
    inside = Image.eval(mask, lambda v: v).convert("RGB")
    sel = Image.new("L", win.size, 0)
    sel.putdata([0 if p == (255, 0, 255) else 255 for p in inside.getdata()])
    board = Image.new("RGB", win.size, (200, 200, 200))
    bd = ImageDraw.Draw(board)
    for y in range(0, win.size[1], 12):
        for x in range(0, win.size[0], 12):
            if (x // 12 + y // 12) % 2:
                bd.rectangle((x, y, x + 11, y + 11), fill=(150, 150, 150))
    board.paste(win, (0, 0), sel)
    return board
