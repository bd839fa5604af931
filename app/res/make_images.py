#!/usr/bin/env python3
"""Draws the tool bar image strips and the start-up pictures of the program
(24-bit BMP files). Run from this folder: python3 make_images.py"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))

from bmpdraw import text_mask, write_bmp  # noqa: E402

# Label and colour (r, g, b) of each command's button.
BUTTONS = {
    57600: ("NEW", (255, 255, 255)), 57601: ("OPN", (255, 230, 150)), 57603: ("SAV", (150, 190, 255)),
    57635: ("CUT", (255, 200, 200)), 57634: ("CPY", (220, 220, 255)), 57637: ("PST", (220, 255, 220)),
    57643: ("UND", (255, 240, 200)), 57607: ("PRN", (230, 230, 230)), 40024: ("OUT", (255, 180, 120)),
    40112: ("Z+", (200, 255, 255)), 40113: ("Z-", (200, 255, 255)), 57664: ("?", (255, 255, 180)),
    40080: ("AL", (230, 210, 255)), 40081: ("AR", (230, 210, 255)), 40082: ("AT", (230, 210, 255)),
    40083: ("AB", (230, 210, 255)), 40084: ("AH", (230, 210, 255)), 40085: ("AV", (230, 210, 255)),
    40046: ("ROT", (255, 220, 180)), 32820: ("XY", (210, 255, 210)), 60000: ("TRF", (255, 200, 255)),
    40070: ("SEL", (255, 255, 255)), 40071: ("T", (255, 255, 210)), 40075: ("LIB", (210, 240, 255)),
    40118: ("NOD", (220, 255, 220)), 40093: ("LN", (240, 240, 240)), 40096: ("REC", (240, 240, 240)),
    40097: ("CIR", (240, 240, 240)), 40095: ("PG", (240, 240, 240)), 40099: ("PL", (240, 240, 240)),
    40103: ("BZ", (240, 240, 240)), 40104: ("STR", (240, 240, 240)), 40107: ("TAB", (240, 240, 240)),
    40021: ("IMG", (240, 240, 240)), 32841: ("MES", (240, 240, 240)), 40119: ("N+", (220, 255, 220)),
    40120: ("N-", (220, 255, 220)), 40141: ("CRV", (220, 255, 220)), 40142: ("LIN", (220, 255, 220)),
    32855: ("BRK", (220, 255, 220)), 32862: ("MOV", (220, 255, 220)), 32792: ("SET", (255, 210, 160)),
    32794: ("ARE", (255, 210, 160)), 32791: ("CLR", (255, 210, 160)), 32789: ("GO", (255, 180, 120)),
    40051: ("FNT", (255, 255, 210)), 32809: ("GLY", (210, 240, 255)), 40079: ("CMB", (210, 240, 255)),
}

STRIPS = {
    "main.bmp": [57600, 57601, 57603, 57635, 57634, 57637, 57643, 57607, 40024, 40112, 40113, 57664],
    "second.bmp": [40080, 40081, 40082, 40083, 40084, 40085, 40046, 32820, 60000],
    "context.bmp": [40070, 40071, 40075, 40118, 40093, 40096, 40097, 40095, 40099, 40103, 40104, 40107,
                    40021, 32841],
    "node.bmp": [40070, 40118, 40119, 40120, 40141, 40142, 32855, 32862],
    "outarea.bmp": [40070, 32792, 32794, 32791, 32789],
    "mode.bmp": [40071, 40075],
    "modetext.bmp": [40051, 40071, 40075],
    "modelib.bmp": [32809, 40071, 40075, 40079],
}


def strip(name, ids):
    w, h = 16, 15
    icons = []
    for cid in ids:
        label, colour = BUTTONS[cid]
        cells, tw, th = text_mask(label)
        ox, oy = (w - tw) // 2, (h - th) // 2
        icons.append((colour, {(x + ox, y + oy) for x, y in cells}))

    def pixel(x, y):
        # Light grey (192, 192, 192) is the strip's see-through background.
        colour, cells = icons[x // w]
        lx = x % w
        corner = lx in (0, w - 1) and y in (0, h - 1)
        if (lx in (0, w - 1) or y in (0, h - 1)) and not corner:
            return tuple(int(c * 0.55) for c in colour)
        if (lx, y) in cells:
            return (0, 0, 0)
        if not corner and (lx in (1, w - 2) or y in (1, h - 2)):
            return colour
        return (192, 192, 192)
    write_bmp(name, w * len(ids), h, pixel)


# The picture buttons of the text arrangement panels: bitmap id and label.
ARRANGE_BUTTONS = {236: "ON", 245: "UND", 247: "CEN", 246: "MID", 248: "REV", 249: "TRN", 250: "FIT"}


def arrange_button(bitmap_id, label):
    w, h = 24, 16
    cells, tw, th = text_mask(label)
    ox, oy = (w - tw) // 2, (h - th) // 2

    def pixel(x, y):
        if (x - ox, y - oy) in cells:
            return (0, 0, 0)
        if x in (0, w - 1) or y in (0, h - 1):
            return (128, 128, 128)
        return (230, 230, 230)
    write_bmp("arr%d.bmp" % bitmap_id, w, h, pixel)


def logo(name, width, height, caption):
    cells, tw, th = text_mask("TINDREL", 6)
    ox, oy = (width - tw) // 2, height // 2 - th
    small, sw, sh = text_mask(caption, 2)
    sx, sy = (width - sw) // 2, oy + th + 14

    def pixel(x, y):
        if (x - ox, y - oy) in cells:
            return (255, 255, 255)
        if (x - sx, y - sy) in small:
            return (255, 220, 120)
        t = y / height
        return (int(20 + 40 * t), int(60 + 80 * t), int(140 + 80 * t))
    write_bmp(name, width, height, pixel)


def pick(name, size=12):
    # The mark of the chosen colour item: a dark check on white.
    def pixel(x, y):
        yy = size - 1 - y
        on = (x < size // 2 and abs(yy - (size // 2 - x)) <= 1) or (x >= size // 2 and abs(yy - (x - size // 2)) <= 1)
        return (0, 0, 128) if on else (255, 255, 255)
    write_bmp(name, size, size, pixel)


if __name__ == "__main__":
    for name, ids in STRIPS.items():
        strip(name, ids)
    for bitmap_id, label in ARRANGE_BUTTONS.items():
        arrange_button(bitmap_id, label)
    logo("logo.bmp", 400, 210, "SIGN DESIGN 6 0")
    logo("logo206.bmp", 400, 210, "VERSION 6 0")
    pick("pick.bmp")
