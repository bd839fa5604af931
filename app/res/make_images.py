#!/usr/bin/env python3
"""Draws the tool bar image strips and the text arrangement panels' button
pictures (at 1x and, as NAME@2x.bmp, at 2x), the seal layouts, the library tree
images and the start-up pictures of the program (24-bit BMP files). Usage: python3 make_images.py [OUTPUT_FOLDER]"""
import math
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))

from bmpdraw import Canvas, arc, bezier, text_mask, write_bmp  # noqa: E402

# The strips' see-through background.
KEY = (192, 192, 192)
INK = (24, 24, 24)
WHITE = (255, 255, 255)
PALE = (226, 238, 255)
BLUE = (0, 84, 186)
SKY = (120, 170, 235)
RED = (210, 20, 20)
GREEN = (0, 150, 40)
YELLOW = (255, 212, 40)
FOLDER = (236, 190, 70)
FOLDER_LIGHT = (255, 222, 120)
GREY = (112, 112, 112)
LIGHT = (224, 224, 224)
ACCENT = (96, 96, 96)


def node(c, x, y, selected=False):
    """A node mark: a 3 x 3 square on the pixel at (x, y)."""
    x, y = math.floor(x) + 0.5, math.floor(y) + 0.5
    c.box(x - 1.5, y - 1.5, x + 1.5, y + 1.5, INK if selected else WHITE, INK)


def plus(c, x, y, colour=GREEN, r=2.5, width=1.5):
    c.line([(x - r, y), (x + r, y)], colour, width)
    c.line([(x, y - r), (x, y + r)], colour, width)


def minus(c, x, y, colour=RED, r=2.5, width=1.5):
    c.line([(x - r, y), (x + r, y)], colour, width)


def cross(c, x, y, colour=RED, r=2.5, width=1.5):
    c.line([(x - r, y - r), (x + r, y + r)], colour, width)
    c.line([(x - r, y + r), (x + r, y - r)], colour, width)


def pointer(c, x, y, size=1.0):
    """The select arrow with its tip at (x, y)."""
    pts = [(0, 0), (0, 11), (2.6, 8.6), (4.4, 12.6), (6.2, 11.8), (4.5, 7.9), (8, 7.9)]
    pts = [(x + px * size, y + py * size) for px, py in pts]
    c.polygon(pts, INK)
    return pts


def page(c, x0, y0, x1, y1, fold=3):
    pts = [(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)]
    c.polygon(pts, WHITE)
    c.line(pts, INK, closed=True)
    c.line([(x1 - fold, y0), (x1 - fold, y0 + fold), (x1, y0 + fold)], INK)


def magnifier(c, sign):
    c.ellipse(6.5, 6.5, 4.2, 4.2, PALE)
    c.ring(6.5, 6.5, 4.5, 4.5, INK, 1.4)
    c.line([(9.8, 9.8), (14, 14)], ACCENT, 2.6)
    c.line([(4.5, 6.5), (8.5, 6.5)], INK, 1.2)
    if sign == "+":
        c.line([(6.5, 4.5), (6.5, 8.5)], INK, 1.2)


def cutter(c):
    """The cutting plotter on its stand, the vinyl hanging under the knife."""
    c.line([(2.5, 8), (2.5, 14.5)], INK, 1.0)
    c.line([(13.5, 8), (13.5, 14.5)], INK, 1.0)
    c.line([(0.5, 14.5), (4.5, 14.5)], INK, 1.0)
    c.line([(11.5, 14.5), (15.5, 14.5)], INK, 1.0)
    c.box(4, 8, 12, 13, YELLOW, (160, 120, 0))
    c.line([(8, 10.5), (8, 12.5)], RED, 1.0)
    c.box(0, 2, 16, 8, LIGHT, INK)
    c.rect(1, 3, 15, 4, WHITE)
    c.box(6, 4, 10, 9, BLUE, INK)
    c.polygon([(7, 9), (9, 9), (8, 11)], INK)


def book(c, x0, y0, x1, y1):
    """A graphic library: a blue book with a star on its cover."""
    c.box(x0, y0, x1, y1, BLUE, INK)
    c.rect(x0 + 1, y1 - 3, x1 - 1, y1 - 1, WHITE)
    c.line([(x0 + 2.5, y0 + 1), (x0 + 2.5, y1 - 3)], (0, 50, 120), 1.0)
    star(c, (x0 + x1) / 2 + 1, (y0 + y1 - 3) / 2, 3.2, 1.4, YELLOW, None)


def star(c, cx, cy, outer, inner, fill, edge, points=5):
    pts = []
    for i in range(points * 2):
        r = outer if i % 2 == 0 else inner
        a = math.radians(-90 + 180.0 * i / points)
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    c.polygon(pts, fill)
    if edge:
        c.line(pts, edge, closed=True)


def align_bars(c, bars, guide):
    for x0, y0, x1, y1 in bars:
        c.box(x0, y0, x1, y1, SKY, BLUE)
    c.line(guide, INK, 1.0)


def draw_new(c):
    page(c, 3.5, 1.5, 12.5, 13.5)
    star(c, 12.5, 3.5, 2.6, 1.0, YELLOW, None, 4)


def draw_open(c):
    back = [(0.5, 2.5), (5.5, 2.5), (6.5, 3.5), (12.5, 3.5), (12.5, 13.5), (0.5, 13.5)]
    c.polygon(back, FOLDER)
    c.line(back, INK, closed=True)
    front = [(0.5, 13.5), (3.5, 7.5), (15.5, 7.5), (12.5, 13.5)]
    c.polygon(front, FOLDER_LIGHT)
    c.line(front, INK, closed=True)


def draw_save(c):
    c.box(1, 1, 15, 15, BLUE, INK)
    c.rect(3, 1, 13, 7, WHITE)
    c.frame(3, 1, 13, 7, INK)
    c.line([(4.5, 3.5), (11.5, 3.5)], SKY, 1.0)
    c.box(4, 9, 12, 15, LIGHT, INK)
    c.rect(5, 10, 7, 14, BLUE)


def draw_cut(c):
    c.line([(5.5, 9.5), (11, 0.5)], GREY, 1.6)
    c.line([(10.5, 9.5), (5, 0.5)], ACCENT, 1.6)
    c.ring(4.5, 11.5, 2.2, 2.2, RED, 1.4)
    c.ring(11.5, 11.5, 2.2, 2.2, RED, 1.4)
    c.ellipse(8, 5.5, 0.8, 0.8, INK)


def draw_copy(c):
    page(c, 1.5, 0.5, 9.5, 9.5, 2)
    page(c, 6.5, 4.5, 14.5, 14.5, 2)
    for y in (8.5, 10.5, 12.5):
        c.line([(8, y), (12.5, y)], SKY, 1.0)


def draw_paste(c):
    c.box(1, 2, 12, 15, (196, 140, 70), INK)
    c.box(4, 0.5, 9, 3.5, LIGHT, INK)
    page(c, 6.5, 5.5, 14.5, 14.5, 2)
    for y in (9.5, 11.5):
        c.line([(8, y), (12.5, y)], SKY, 1.0)


def draw_undo(c):
    c.line(bezier((13.5, 13), (14.5, 5), (10, 4.5), (6, 4.5)), BLUE, 2.0)
    c.polygon([(0.5, 4.5), (6.5, 0), (6.5, 9)], BLUE)


def draw_print(c):
    c.box(3, 0.5, 13, 6, WHITE, INK)
    c.box(0.5, 5, 15.5, 11.5, LIGHT, INK)
    c.rect(1.5, 9, 14.5, 10.5, GREY)
    c.ellipse(12.8, 7, 0.9, 0.9, GREEN)
    c.box(3, 9.5, 13, 14.5, WHITE, INK)
    c.line([(5, 12), (11, 12)], SKY, 1.0)


def draw_cut_out(c):
    cutter(c)


def draw_zoom_in(c):
    magnifier(c, "+")


def draw_zoom_out(c):
    magnifier(c, "-")


def draw_about(c):
    c.ellipse(8, 7.5, 7, 7, BLUE)
    c.line([(5.6, 5.4)] + arc(8, 5.2, 2.4, 180, 380, 12) + [(8, 8.2), (8, 9.4)], WHITE, 1.7)
    c.rect(7, 10.8, 9, 12.8, WHITE)


def draw_align_left(c):
    align_bars(c, [(3, 2, 14, 6), (3, 9, 10, 13)], [(1.5, 0.5), (1.5, 14.5)])


def draw_align_right(c):
    align_bars(c, [(2, 2, 13, 6), (6, 9, 13, 13)], [(14.5, 0.5), (14.5, 14.5)])


def draw_align_top(c):
    align_bars(c, [(2, 3, 6, 14), (9, 3, 13, 10)], [(0.5, 1.5), (15.5, 1.5)])


def draw_align_bottom(c):
    align_bars(c, [(2, 1, 6, 12), (9, 5, 13, 12)], [(0.5, 13.5), (15.5, 13.5)])


def draw_align_hcenter(c):
    for x0, y0, x1, y1 in [(1, 2, 15, 6), (4, 9, 12, 13)]:
        c.box(x0, y0, x1, y1, SKY, BLUE)
    c.line([(8, 0.5), (8, 14.5)], RED, 1.0)


def draw_align_vcenter(c):
    for x0, y0, x1, y1 in [(2, 1, 6, 14), (9, 4, 13, 11)]:
        c.box(x0, y0, x1, y1, SKY, BLUE)
    c.line([(0.5, 7.5), (15.5, 7.5)], RED, 1.0)


def draw_rotate(c):
    c.box(5.5, 5, 10.5, 10, SKY, BLUE)
    c.line(arc(8, 7.5, 5.8, -60, 215, 28), GREEN, 1.6)
    tip = arc(8, 7.5, 5.8, -60, -60, 1)[0]
    c.polygon([(tip[0] + 3.2, tip[1] - 0.4), (tip[0] - 2.4, tip[1] - 2.6), (tip[0] - 0.4, tip[1] + 3.0)], GREEN)


def draw_coordinate(c):
    c.line([(2.5, 0.5), (2.5, 12.5), (15, 12.5)], INK, 1.0)
    c.polygon([(2.5, 0), (0.5, 3), (4.5, 3)], INK)
    c.polygon([(16, 12.5), (13, 10.5), (13, 14.5)], INK)
    c.dashed(9, 5, 10, 12, GREY, 1, 1)
    c.dashed(3, 5, 9, 6, GREY, 1, 1)
    c.ring(9.5, 5.5, 2, 2, RED, 1.2)
    c.rect(9, 5, 10, 6, RED)


def draw_transform(c):
    top = bezier((2.5, 5.5), (5, -1), (11, -1), (13.5, 5.5), 20)
    outline = top + [(13.5, 13.5), (2.5, 13.5)]
    c.polygon(outline, (215, 195, 255))
    mid = bezier((2.5, 9.5), (5, 6), (11, 6), (13.5, 9.5), 20)
    c.line(mid, (120, 80, 200), 1.0)
    for t in (1.0 / 3, 2.0 / 3):
        x = 2.5 + 11 * t
        y_top = top[int(round(t * 20))][1]
        c.line([(x, y_top), (x, 13.5)], (120, 80, 200), 1.0)
    c.line(outline, INK, closed=True)
    for x, y in [(2.5, 5.5), (13.5, 5.5), (2.5, 13.5), (13.5, 13.5)]:
        node(c, x, y)


def draw_select(c):
    pointer(c, 4.5, 1.5)


def draw_text(c):
    c.rect(2.5, 1.5, 13.5, 4, INK)
    c.rect(2.5, 4, 4, 5.5, INK)
    c.rect(12, 4, 13.5, 5.5, INK)
    c.rect(6.75, 4, 9.25, 12.5, INK)
    c.rect(4.5, 12, 11.5, 14, INK)


def draw_graphic_lib(c):
    book(c, 2, 0.5, 14, 14.5)


def draw_node_tool(c):
    curve = bezier((1.5, 13), (3.5, 1.5), (12.5, 1.5), (14.5, 13))
    c.line([(3.5, 4.5), (12.5, 4.5)], SKY, 1.0)
    c.ellipse(3.5, 4.5, 1.1, 1.1, BLUE)
    c.ellipse(12.5, 4.5, 1.1, 1.1, BLUE)
    c.line(curve, INK, 1.0)
    node(c, 1.5, 13)
    node(c, 14.5, 13)
    node(c, 8, 4.4, True)


def draw_line(c):
    c.line([(2, 13), (14, 2)], INK, 1.4)


def draw_rect(c):
    c.box(1, 3, 15, 13, PALE, INK)


def draw_circle(c):
    c.ellipse(8, 7.5, 6.5, 5.2, PALE)
    c.ring(8, 7.5, 6.5, 5.2, INK, 1.0)


def draw_polygon(c):
    pts = [(1.5, 9.5), (5.5, 1.5), (13.5, 4.5), (14.5, 12.5), (6.5, 13.5)]
    c.polygon(pts, PALE)
    c.line(pts, INK, closed=True)


def draw_polyline(c):
    pts = [(1.5, 13.5), (4.5, 3.5), (10.5, 11.5), (14.5, 1.5)]
    c.line(pts, INK, 1.0)
    for x, y in pts:
        x, y = math.floor(x - 0.5), math.floor(y - 0.5)
        c.rect(x, y, x + 2, y + 2, BLUE)


def draw_bezier(c):
    c.line(bezier((0.5, 13.5), (1, 4), (6, 15), (7, 5)), BLUE, 1.2)
    nib = [(11.5, 14.5), (8.2, 8.5), (9.5, 4.5), (13.5, 4.5), (14.8, 8.5)]
    c.polygon(nib, WHITE)
    c.line(nib, INK, closed=True)
    c.line([(11.5, 14), (11.5, 9)], INK, 1.0)
    c.ellipse(11.5, 8.8, 1.1, 1.1, INK)
    c.box(9, 0.5, 14, 4.5, INK, INK)


def draw_star(c):
    star(c, 8, 8.2, 7.4, 3.0, YELLOW, INK)


def draw_table(c):
    c.box(1, 2, 15, 13, WHITE, INK)
    c.rect(2, 3, 14, 5, SKY)
    c.line([(1, 5.5), (15, 5.5)], INK, 1.0)
    c.line([(1, 9.5), (15, 9.5)], INK, 1.0)
    c.line([(5.5, 2), (5.5, 13)], INK, 1.0)
    c.line([(10.5, 2), (10.5, 13)], INK, 1.0)


def draw_get_image(c):
    c.rect(1, 2, 15, 13, (170, 215, 255))
    c.ellipse(11, 5.5, 1.8, 1.8, YELLOW)
    c.polygon([(1, 13), (1, 10), (5.5, 5.5), (9, 9.5), (11, 8), (15, 12), (15, 13)], (40, 150, 60))
    c.frame(1, 2, 15, 13, INK)


def draw_measure(c):
    c.box(0, 5, 16, 11, (240, 210, 100), INK)
    for i, x in enumerate(range(2, 15, 2)):
        c.line([(x + 0.5, 6), (x + 0.5, 8 if i % 2 else 9)], INK, 1.0)


def node_curve(c, selected=False):
    c.line(bezier((0.5, 13), (4, 5), (12, 5), (15.5, 13)), INK, 1.0)
    node(c, 8, 7.1, selected)


def draw_node_insert(c):
    node_curve(c)
    plus(c, 3.5, 3.5)


def draw_node_delete(c):
    node_curve(c, True)
    minus(c, 3.5, 3.5)


def draw_to_curve(c):
    c.line([(2.5, 12.5), (13.5, 12.5)], GREY, 1.0)
    c.line(bezier((2.5, 12.5), (2.5, 1), (13.5, 1), (13.5, 12.5)), BLUE, 1.4)
    node(c, 2.5, 12.5)
    node(c, 13.5, 12.5)


def draw_to_line(c):
    c.line(bezier((2.5, 12.5), (2.5, 1), (13.5, 1), (13.5, 12.5)), GREY, 1.0)
    c.line([(2.5, 12.5), (13.5, 12.5)], BLUE, 1.4)
    node(c, 2.5, 12.5)
    node(c, 13.5, 12.5)


def draw_extend(c):
    c.line(bezier((1, 14), (1, 8), (4, 7), (7.5, 7.5)), INK, 1.0)
    node(c, 7.5, 7.5, True)
    c.dashed(9, 7, 14, 8, BLUE, 1, 1)
    c.polygon([(16, 7.5), (13, 5), (13, 10)], BLUE)
    plus(c, 11.5, 2.5, GREEN, 2.0, 1.2)


def draw_move_contour(c):
    c.ring(5, 5, 4, 3.5, INK, 1.0)
    node(c, 9, 5)
    cx, cy = 10.5, 10
    c.line([(cx - 4, cy), (cx + 4, cy)], BLUE, 1.2)
    c.line([(cx, cy - 4), (cx, cy + 4)], BLUE, 1.2)
    for dx, dy in [(1, 0), (-1, 0), (0, 1), (0, -1)]:
        tx, ty = cx + dx * 5.3, cy + dy * 5.3
        c.polygon([(tx, ty), (tx - dx * 2.4 - dy * 2, ty - dy * 2.4 - dx * 2),
                   (tx - dx * 2.4 + dy * 2, ty - dy * 2.4 + dx * 2)], BLUE)


def area(c):
    c.rect(1, 2, 15, 13, WHITE)
    c.dashed(1, 2, 15, 13, BLUE)


def draw_set_area(c):
    area(c)
    plus(c, 8, 7.5, GREEN, 3, 2)


def draw_select_area(c):
    area(c)
    pointer(c, 6, 4, 0.85)


def draw_clear_area(c):
    area(c)
    cross(c, 8, 7.5, RED, 3, 2)


def draw_cutout(c):
    cutter(c)
    c.polygon([(10.5, 8.5), (16, 11.5), (10.5, 14.5)], GREEN)
    c.line([(10.5, 8.5), (16, 11.5), (10.5, 14.5)], (0, 90, 20), 0.8, closed=True)


def draw_font_set(c):
    c.line([(1, 13.5), (5.5, 1.5), (10, 13.5)], INK, 1.8)
    c.line([(3.2, 9), (7.8, 9)], INK, 1.4)
    c.ring(12.5, 11, 2.2, 2.4, BLUE, 1.3)
    c.line([(14.6, 8.4), (14.6, 13.5)], BLUE, 1.3)


def draw_glyph_panel(c):
    for x0, y0 in [(1, 1), (8, 1), (1, 8), (8, 8)]:
        c.box(x0, y0, x0 + 7, y0 + 7, WHITE, GREY)
    star(c, 4.5, 4.8, 2.8, 1.2, YELLOW, INK)
    c.ellipse(11.5, 4.5, 2.2, 2.2, BLUE)
    c.rect(2.5, 9.5, 6.5, 13.5, RED)
    c.polygon([(11.5, 9.5), (14, 13.5), (9, 13.5)], GREEN)


def draw_combine_glyph(c):
    c.rect(0.5, 0.5, 4.5, 4.5, RED)
    c.ellipse(6.5, 3, 2.3, 2.3, GREEN)
    c.line([(2.5, 6.5), (2.5, 10.5), (5, 10.5)], INK, 1.2)
    c.polygon([(6.5, 10.5), (4.5, 8.5), (4.5, 12.5)], INK)
    book(c, 7, 5, 16, 15)


# Each command's picture.
PICTURES = {
    57600: draw_new, 57601: draw_open, 57603: draw_save, 57635: draw_cut, 57634: draw_copy,
    57637: draw_paste, 57643: draw_undo, 57607: draw_print, 40024: draw_cut_out, 40112: draw_zoom_in,
    40113: draw_zoom_out, 57664: draw_about,
    40080: draw_align_left, 40081: draw_align_right, 40082: draw_align_top, 40083: draw_align_bottom,
    40084: draw_align_hcenter, 40085: draw_align_vcenter, 40046: draw_rotate, 32820: draw_coordinate,
    60000: draw_transform,
    40070: draw_select, 40071: draw_text, 40075: draw_graphic_lib, 40118: draw_node_tool, 40093: draw_line,
    40096: draw_rect, 40097: draw_circle, 40095: draw_polygon, 40099: draw_polyline, 40103: draw_bezier,
    40104: draw_star, 40107: draw_table, 40021: draw_get_image, 32841: draw_measure,
    40119: draw_node_insert, 40120: draw_node_delete, 40141: draw_to_curve, 40142: draw_to_line,
    32855: draw_extend, 32862: draw_move_contour,
    32792: draw_set_area, 32794: draw_select_area, 32791: draw_clear_area, 32789: draw_cutout,
    40051: draw_font_set, 32809: draw_glyph_panel, 40079: draw_combine_glyph,
}

# The strips, in the order of their tool bars' buttons (separators left out).
STRIPS = {
    "main": [57600, 57601, 57603, 57635, 57634, 57637, 57643, 57607, 40024, 40112, 40113, 57664],
    "second": [40080, 40081, 40082, 40083, 40084, 40085, 40046, 32820, 60000],
    "context": [40070, 40071, 40075, 40118, 40093, 40096, 40097, 40095, 40099, 40103, 40104, 40107,
                40021, 32841],
    "node": [40070, 40118, 40119, 40120, 40141, 40142, 32855, 32862],
    "outarea": [40070, 32792, 32794, 32791, 32789],
    "mode": [40071, 40075],
    "modetext": [40051, 40071, 40075],
    "modelib": [32809, 40071, 40075, 40079],
}

CELL_W, CELL_H = 16, 15


def picture(cid, scale):
    c = Canvas(CELL_W, CELL_H, scale)
    PICTURES[cid](c)
    return c.pixels(KEY)


def strip(path, ids, scale):
    cells = [picture(cid, scale) for cid in ids]
    w = CELL_W * scale
    write_bmp(path, w * len(ids), CELL_H * scale, lambda x, y: cells[x // w][y][x % w])


def seal_layouts(path):
    """Seven 60-pixel pictures of the seal layouts: empty, two columns, one
    column and two cells, two cells and one column, four cells, and the two
    name seals (a line of text over a round mark)."""
    frame, block = (200, 30, 30), (120, 20, 20)
    cells = {
        0: [], 1: [(12, 12, 30, 49), (31, 12, 49, 49)], 2: [(12, 12, 30, 49), (31, 12, 49, 30), (31, 31, 49, 49)],
        3: [(12, 12, 30, 30), (12, 31, 30, 49), (31, 12, 49, 49)],
        4: [(12, 12, 30, 30), (31, 12, 49, 30), (12, 31, 30, 49), (31, 31, 49, 49)],
        5: [(12, 12, 49, 25)], 6: [(12, 12, 49, 25)],
    }

    def pixel(x, y):
        kind, lx = x // 60, x % 60
        for x0, y0, x1, y1 in cells[kind]:
            if x0 <= lx < x1 and y0 <= y < y1:
                return block
        if kind >= 5:
            dx, dy = lx - 30, y - 41
            r2 = dx * dx + dy * dy
            if r2 <= 81 or (kind == 5 and r2 <= 100 and (dx == 0 or dy == 0)):
                return block
        for inset in (6, 8):
            inside = inset <= lx <= 54 - (inset - 6) and inset <= y <= 54 - (inset - 6)
            edge = lx in (inset, 54 - (inset - 6)) or y in (inset, 54 - (inset - 6))
            if inside and edge:
                return frame
        return WHITE
    write_bmp(path, 60 * 7, 60, pixel)


def library_tree(path):
    """The library tree's images on white: a library and a kind (a folder)."""
    c = Canvas(32, 16, 1)
    book(c, 3, 1, 13, 15)
    back = [(16.5, 2.5), (21.5, 2.5), (22.5, 3.5), (29.5, 3.5), (29.5, 13.5), (16.5, 13.5)]
    c.polygon(back, FOLDER)
    c.line(back, INK, closed=True)
    c.box(16, 6, 30, 14, FOLDER_LIGHT, INK)
    rows = c.pixels(WHITE)
    write_bmp(path, 32, 16, lambda x, y: rows[y][x])


# The picture buttons of the text arrangement panels, 24 x 16 on the see-through
# background: letters placed against a gently bent base line.
ARR_W, ARR_H = 24, 16
TALL, SMALL = 8.0, 4.0


def bent(base, x, bend=2.0):
    """The base line's height at x: base at the ends, bend higher in the middle."""
    t = (x - ARR_W / 2) / (ARR_W / 2 - 1)
    return base - bend * (1.0 - t * t)


def base_line(c, base, x0=1.0, x1=23.0, colour=BLUE, bend=2.0):
    pts = [(x0 + (x1 - x0) * i / 16, bent(base, x0 + (x1 - x0) * i / 16, bend)) for i in range(17)]
    c.line(pts, colour, 1.0)


# The "A" at 1x by its height, in whole pixels: a vector letter that small blurs.
LETTER_PIXELS = {
    4: ["010", "101", "111", "101"],
    6: ["00100", "01010", "10001", "11111", "10001", "10001"],
    8: ["00100", "01010", "10001", "10001", "11111", "10001", "10001", "10001"],
}


def letter(c, x, bottom, h, turned=False, colour=INK):
    """An "A" h high standing on bottom at x; turned, it hangs upside down in the same box."""
    rows = LETTER_PIXELS.get(int(h)) if c.scale == 1 else None
    if rows:
        rows = rows[::-1] if turned else rows
        x0, y0 = math.floor(x - len(rows[0]) / 2 + 0.5), math.floor(bottom + 0.5) - len(rows)
        for j, row in enumerate(rows):
            for i, bit in enumerate(row):
                if bit == "1":
                    c.rect(x0 + i, y0 + j, x0 + i + 1, y0 + j + 1, colour)
        return
    w = h * 0.75

    def at(px, py):
        return (x + px * w, bottom - (1.0 - py) * h if not turned else bottom - py * h)
    c.line([at(-0.5, 1.0), at(0.0, 0.0), at(0.5, 1.0)], colour, 1.2 if h >= 6 else 0.9)
    c.line([at(-0.28, 0.6), at(0.28, 0.6)], colour, 1.0)


def arrow_head(c, tip, towards, colour, size=2.6):
    """A filled head at tip, pointing away from towards; at 1x a wider one
    whose edges fall on whole pixels when tip is a pixel's middle."""
    dx, dy = tip[0] - towards[0], tip[1] - towards[1]
    n = math.hypot(dx, dy)
    dx, dy = dx / n, dy / n
    if c.scale == 1:
        size, spread, reach = 3.5, 1.0, 0.0
    else:
        spread, reach = 0.7, 0.4
    bx, by = tip[0] - dx * size, tip[1] - dy * size
    c.polygon([(tip[0] + dx * reach, tip[1] + dy * reach), (bx - dy * size * spread, by + dx * size * spread),
               (bx + dy * size * spread, by - dx * size * spread)], colour)


# The three letters of the placement pictures: tall, small, tall.
PLACED = [(5.0, TALL), (12.0, SMALL), (19.0, TALL)]


def draw_place_on(c):
    base_line(c, 14)
    for x, h in PLACED:
        letter(c, x, bent(14, x) - 0.5, h)


def draw_place_hang(c):
    base_line(c, 4)
    for x, h in PLACED:
        letter(c, x, bent(4, x) + 0.5 + h, h)


def draw_place_middle(c):
    for x, h in PLACED:
        letter(c, x, bent(10, x) + h / 2, h)
    base_line(c, 10)


def draw_place_centred(c):
    # Each letter's foot where the tallest one's is: the tallest centred on the line.
    for x, h in PLACED:
        letter(c, x, bent(10, x) + TALL / 2, h)
    base_line(c, 10)


def draw_reverse(c):
    base_line(c, 9)
    for x, h in [(7.0, 6.0), (17.0, 6.0)]:
        letter(c, x, bent(9, x) - 0.5, h)
    # An arrow along a line bent as the base line, running back.
    pts = [(x, bent(13.5, x, 1.0)) for x in [21.5 - 17 * i / 16 for i in range(17)]]
    c.line(pts, GREEN, 1.2)
    arrow_head(c, (1.5, 13.5), (4.5, 13.5), GREEN)


def draw_upside_down(c):
    base_line(c, 14.5, bend=1.0)
    letter(c, 6.5, bent(14.5, 6.5, 1.0) - 0.5, TALL, turned=True)
    # The turn arrow of the rotate button, smaller.
    cx, cy, r = 17.5, 7, 4.2
    c.line(arc(cx, cy, r, -60, 215, 24), GREEN, 1.3)
    tx, ty = arc(cx, cy, r, -60, -60, 1)[0]
    c.polygon([(tx + 2.4, ty - 0.3), (tx - 1.8, ty - 2.0), (tx - 0.3, ty + 2.3)], GREEN)


def draw_fit(c):
    c.line([(1.5, 1), (1.5, 15)], INK, 1.0)
    c.line([(22.5, 1), (22.5, 15)], INK, 1.0)
    base_line(c, 10.5, 2.0, 22.0, bend=1.0)
    for x in (5.5, 12.0, 18.5):
        letter(c, x, bent(10.5, x, 1.0) - 0.5, 6)
    c.line([(4.5, 13.5), (19.5, 13.5)], GREEN, 1.2)
    arrow_head(c, (2.5, 13.5), (6, 13.5), GREEN, 2.2)
    arrow_head(c, (21.5, 13.5), (18, 13.5), GREEN, 2.2)


# Bitmap id and picture of each button.
ARRANGE_BUTTONS = {236: draw_place_on, 245: draw_place_hang, 247: draw_place_centred, 246: draw_place_middle,
                   248: draw_reverse, 249: draw_upside_down, 250: draw_fit}


def arrange_button(path, draw, scale):
    c = Canvas(ARR_W, ARR_H, scale)
    draw(c)
    rows = c.pixels(KEY)
    write_bmp(path, ARR_W * scale, ARR_H * scale, lambda x, y: rows[y][x])


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
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(out, exist_ok=True)
    for name, ids in STRIPS.items():
        strip(os.path.join(out, name + ".bmp"), ids, 1)
        strip(os.path.join(out, name + "@2x.bmp"), ids, 2)
    seal_layouts(os.path.join(out, "seal.bmp"))
    library_tree(os.path.join(out, "libtree.bmp"))
    for bitmap_id, draw in ARRANGE_BUTTONS.items():
        arrange_button(os.path.join(out, "arr%d.bmp" % bitmap_id), draw, 1)
        arrange_button(os.path.join(out, "arr%d@2x.bmp" % bitmap_id), draw, 2)
    logo(os.path.join(out, "logo.bmp"), 400, 210, "SIGN DESIGN 6 0")
    logo(os.path.join(out, "logo206.bmp"), 400, 210, "VERSION 6 0")
    pick(os.path.join(out, "pick.bmp"))
