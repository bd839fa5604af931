#!/usr/bin/env python3
"""Draws the program's cursor pictures (32 x 32 XPM, black with a white edge, the
hot spot in the values line) and the table that cursors.cpp includes.
Run from this folder: python3 make_cursors.py"""
import math
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))

from bmpdraw import FONT  # noqa: E402

class Pic:
    def __init__(self):
        self.px = [[0] * 32 for _ in range(32)]

    def dot(self, x, y):
        if 0 <= x < 32 and 0 <= y < 32:
            self.px[y][x] = 1

    def line(self, x0, y0, x1, y1):
        n = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(n + 1):
            self.dot(round(x0 + (x1 - x0) * i / n), round(y0 + (y1 - y0) * i / n))

    def rect(self, l, t, r, b, dashed=False):
        for x in range(l, r + 1):
            if not dashed or (x - l) % 4 < 2:
                self.dot(x, t), self.dot(x, b)
        for y in range(t, b + 1):
            if not dashed or (y - t) % 4 < 2:
                self.dot(l, y), self.dot(r, y)

    def circle(self, cx, cy, r, a0=0, a1=360):
        for a in range(a0, a1, 3):
            self.dot(round(cx + r * math.cos(math.radians(a))), round(cy - r * math.sin(math.radians(a))))

    def text(self, x, y, s):
        for k, ch in enumerate(s):
            bits = FONT[ch]
            for i, b in enumerate(bits):
                if b == '1':
                    self.dot(x + k * 4 + i % 3, y + i // 3)

    def cross(self):
        self.line(15, 4, 15, 12), self.line(15, 18, 15, 26)
        self.line(4, 15, 12, 15), self.line(18, 15, 26, 15)
        return (15, 15)

    def arrow(self):
        for i in range(12):
            self.line(1, 1 + i, 1 + i, 1 + i)
        self.line(5, 12, 9, 19), self.line(6, 12, 10, 19), self.line(4, 12, 8, 19)
        return (1, 1)

    def xpm(self, name, hot):
        rows = []
        for y in range(32):
            row = ''
            for x in range(32):
                if self.px[y][x]:
                    row += '#'
                elif any(0 <= x + dx < 32 and 0 <= y + dy < 32 and self.px[y + dy][x + dx]
                         for dx in (-1, 0, 1) for dy in (-1, 0, 1)):
                    row += '.'
                else:
                    row += ' '
            rows.append(row)
        lines = ['/* XPM */', 'static const char* const %s[] = {' % name,
                 '"32 32 3 1 %d %d",' % hot, '"  c None",', '". c #FFFFFF",', '"# c #000000",']
        lines += ['"%s"%s' % (r, ',' if i < 31 else '') for i, r in enumerate(rows)]
        lines.append('};')
        return '\n'.join(lines) + '\n'


def tool(draw):
    p = Pic()
    hot = p.cross()
    draw(p)
    return p, hot


def node(draw):
    p = Pic()
    hot = p.arrow()
    draw(p)
    return p, hot


def star(p):
    pts = [(25 + round(6 * math.sin(math.radians(a * 144))), 25 - round(6 * math.cos(math.radians(a * 144))))
           for a in range(6)]
    for a, b in zip(pts, pts[1:]):
        p.line(*a, *b)


def magnifier(sign):
    p = Pic()
    p.circle(11, 11, 8)
    for d in range(3):
        p.line(17 + d, 16, 27 + d, 26)
    p.text(10, 9, sign) if sign == '+' else p.line(8, 11, 14, 11)
    if sign == '+':
        p.line(11, 8, 11, 14), p.line(8, 11, 14, 11)
    return p, (11, 11)


def rotate():
    p = Pic()
    p.circle(15, 15, 9, 30, 330)
    x, y = 15 + round(9 * math.cos(math.radians(30))), 15 - round(9 * math.sin(math.radians(30)))
    p.line(x, y, x - 5, y), p.line(x, y, x, y - 5)
    p.dot(15, 15)
    return p, (15, 15)


def opposed(horizontal):
    p = Pic()
    for s in (-1, 1):
        if horizontal:
            y = 12 if s < 0 else 18
            p.line(6, y, 24, y)
            tip = 6 if s < 0 else 24
            p.line(tip, y, tip - 4 * s, y - 4 * (1 if s < 0 else -1) * -1)
        else:
            x = 12 if s < 0 else 18
            p.line(x, 6, x, 24)
            tip = 6 if s < 0 else 24
            p.line(x, tip, x + 4 * (1 if s < 0 else -1) * -1, tip - 4 * s)
    return p, (15, 15)


CURSORS = {
    146: tool(lambda p: p.text(20, 20, '1')),
    158: tool(lambda p: p.circle(25, 25, 5)),
    153: tool(lambda p: p.line(19, 30, 30, 19)),
    156: tool(lambda p: (p.line(20, 24, 25, 19), p.line(25, 19, 30, 24), p.line(30, 24, 28, 30),
                         p.line(28, 30, 22, 30), p.line(22, 30, 20, 24))),
    154: tool(lambda p: p.rect(19, 20, 30, 29)),
    163: tool(lambda p: (p.circle(23, 23, 3, 0, 180), p.circle(29, 23, 3, 180, 360))),
    162: tool(lambda p: (p.rect(19, 19, 30, 30), p.line(19, 24, 30, 24), p.line(24, 19, 24, 30))),
    184: tool(lambda p: (p.rect(19, 20, 30, 29), p.line(20, 28, 24, 23), p.line(24, 23, 29, 28))),
    129: tool(lambda p: p.text(20, 20, '2')),
    148: tool(lambda p: (p.rect(19, 19, 30, 30), p.text(23, 22, 'L'))),
    202: tool(lambda p: p.rect(18, 18, 30, 30, dashed=True)),
    149: node(lambda p: p.text(18, 20, 'T')),
    187: tool(lambda p: p.text(20, 20, '3')),
    189: magnifier('-'),
    188: magnifier('+'),
    198: node(lambda p: p.circle(24, 24, 5, 0, 180)),
    199: node(lambda p: p.line(18, 28, 30, 20)),
    195: node(lambda p: None),
    196: node(lambda p: p.text(20, 20, '+')),
    272: node(lambda p: (p.rect(22, 22, 27, 27), p.line(18, 30, 30, 18))),
    197: node(lambda p: p.text(20, 20, '-')),
    262: tool(lambda p: p.text(20, 20, '5')),
    164: tool(star),
    217: tool(lambda p: p.text(20, 20, '4')),
    1178: opposed(True),
    1179: opposed(False),
    1146: rotate(),
    263: tool(lambda p: (p.line(19, 30, 30, 19), p.line(20, 30, 30, 20), p.line(26, 19, 30, 19))),
    266: tool(lambda p: (p.line(18, 22, 30, 22), p.line(18, 26, 30, 26), p.line(18, 30, 30, 30))),
}

table = ['// The program\'s cursor pictures by resource id (made by cursors/make_cursors.py).',
         'struct CursorPicture {', '  HCURSOR id;', '  const char* const* xpm;', '  int hotX, hotY;', '};']
for cid, (pic, hot) in CURSORS.items():
    name = 'cursor_%d' % cid
    with open('%d.xpm' % cid, 'w') as f:
        f.write(pic.xpm(name, hot))
    table.append('#include "presentation/cursors/%d.xpm"' % cid)
table.append('const CursorPicture kCursorPictures[] = {')
for cid, (pic, hot) in CURSORS.items():
    table.append('    {%d, cursor_%d, %d, %d},' % (cid, cid, hot[0], hot[1]))
table.append('};')
with open('cursors.inc', 'w') as f:
    f.write('\n'.join(table) + '\n')
