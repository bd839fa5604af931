#!/usr/bin/env python3
"""Draws the tool bar image strips and the start-up pictures of the program
(24-bit BMP files). Run from this folder: python3 make_images.py"""
import struct

FONT = {  # 3 x 5 pixel letters
    'A': "010101111101101", 'B': "110101110101110", 'C': "011100100100011", 'D': "110101101101110",
    'E': "111100110100111", 'F': "111100110100100", 'G': "011100101101011", 'H': "101101111101101",
    'I': "111010010010111", 'J': "001001001101010", 'K': "101101110101101", 'L': "100100100100111",
    'M': "101111111101101", 'N': "110101101101101", 'O': "010101101101010", 'P': "110101110100100",
    'Q': "010101101110011", 'R': "110101110101101", 'S': "011100010001110", 'T': "111010010010010",
    'U': "101101101101111", 'V': "101101101101010", 'W': "101101111111101", 'X': "101101010101101",
    'Y': "101101010010010", 'Z': "111001010100111", '+': "000010111010000", '-': "000000111000000",
    '?': "110001010000010", '0': "111101101101111", '1': "010110010010111", '2': "110001010100111",
    '3': "110001010001110", '4': "101101111001001", '5': "111100110001110", '6': "011100111101111",
    '7': "111001010010010", '8': "111101111101111", '9': "111101111001110", ' ': "000000000000000",
}

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


def write_bmp(path, width, height, pixel):
    row = (width * 3 + 3) & ~3
    data = bytearray()
    for y in range(height - 1, -1, -1):
        line = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            line += bytes((b, g, r))
        line += b"\0" * (row - len(line))
        data += line
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def text_mask(text, scale=1):
    """Set pixels of a text in the 3 x 5 font, one column between letters."""
    cells = set()
    for i, ch in enumerate(text):
        bits = FONT.get(ch, FONT['?'])
        for k, bit in enumerate(bits):
            if bit == '1':
                for dx in range(scale):
                    for dy in range(scale):
                        cells.add(((i * 4 + k % 3) * scale + dx, (k // 3) * scale + dy))
    return cells, (len(text) * 4 - 1) * scale, 5 * scale


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


if __name__ == "__main__":
    for name, ids in STRIPS.items():
        strip(name, ids)
    logo("logo.bmp", 400, 210, "SIGN DESIGN 6 0")
    logo("logo206.bmp", 400, 210, "VERSION 6 0")
