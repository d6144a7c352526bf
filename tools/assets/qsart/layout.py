"""Where the program puts things on the 527 x 500 main window (window pixels, inclusive boxes).

The program fixes these positions; the skin is drawn to fit them, so they live in one place.
"""
WINDOW = (527, 500)
SHOWCASE = (40, 32, 424, 270)          # FlashDemo, 385 x 239 (FraLogo reaches y 272)
TITLE = (66, 10, 410, 42)              # PicCaption, 345 x 33; the movie covers its rows 22..32
EXIT = (410, 300, 450, 332)            # picExit, 41 x 33
BUTTON_SIZE = (41, 33)
BUTTON_TOP = 306
BUTTON_LEFTS = (33, 85, 138, 191, 243, 295, 347)
BUTTON_NAMES = ("first", "previous", "play", "pause", "stop", "next", "last")
TRANSPORT_BAND = (34, 304, 394, 324)
TRACK = (48, 356, 200, 380)            # lblTrack, painted SKY with yellow text
DESCRIPTION = (48, 380, 432, 428)      # lblFlashDescription, painted SKY with bold black text
TIP = (216, 470, 432, 485)             # lblTip, pale yellow
SHAPE1 = (209, 434, 381, 466)
LINE1 = (208, 465, 392)                # x0, y, x1 of the 5-px rule
SPEED_BAND = (190, 435, 390, 465)
CLICK_AREA = (204, 415, 372, 465)
DRAG_AREA = (0, 0, 460, 290)
BAR_COUNT = 24
BAR_X0, BAR_STEP, BAR_BOTTOM = 214, 7, 462


def bar_top(i):
    if i <= 2:
        return 458
    if i >= 21:
        return 438
    return 460 - i


def button_box(k):
    """Box of transport button k (0 = first .. 6 = last) as the overlays cover it."""
    x = BUTTON_LEFTS[k]
    return (x, BUTTON_TOP, x + BUTTON_SIZE[0] - 1, BUTTON_TOP + BUTTON_SIZE[1] - 1)


def control_boxes():
    """Every rectangle that must lie inside the window outline."""
    boxes = {"showcase": SHOWCASE, "title": TITLE, "exit": EXIT, "track": TRACK,
             "description": DESCRIPTION, "tip": TIP, "meter": SHAPE1,
             "rule": (LINE1[0], LINE1[1] - 2, LINE1[2], LINE1[1] + 2),
             "transport": TRANSPORT_BAND, "speed_band": SPEED_BAND, "click_area": CLICK_AREA}
    for k, name in enumerate(BUTTON_NAMES):
        boxes["button_" + name] = button_box(k)
    return boxes
