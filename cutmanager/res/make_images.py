#!/usr/bin/env python3
"""Draws the manager's tool bar strip and its job-state images (24-bit BMP files).
Run from this folder: python3 make_images.py"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))

from bmpdraw import write_bmp  # noqa: E402

GREY = (0xC0, 0xC0, 0xC0)


def triangle(x, y, left, top, size):
    # A right-pointing triangle.
    dx, dy = x - left, y - top
    return 0 <= dx < size and abs(dy - size // 2) <= (size - dx) // 2


def tool(index, x, y):
    """Buttons: all, one job, one copy, abort, delete, inc, dec, search, clear, new."""
    c = (0, 0, 0)
    if index == 0 and (triangle(x, y, 2, 3, 9) or triangle(x, y, 7, 3, 9)):
        return (0, 128, 0)
    if index == 1 and triangle(x, y, 4, 3, 9):
        return (0, 128, 0)
    if index == 2 and (triangle(x, y, 3, 3, 9) or (11 <= x <= 12 and 3 <= y <= 11)):
        return (0, 128, 0)
    if index == 3 and 4 <= x <= 11 and 4 <= y <= 11:
        return (192, 0, 0)
    if index == 4 and (abs(x - y) <= 1 or abs(x + y - 15) <= 1) and 2 <= x <= 13:
        return (192, 0, 0)
    if index == 5 and ((7 <= x <= 8 and 3 <= y <= 12) or (3 <= x <= 12 and 7 <= y <= 8)):
        return c
    if index == 6 and 3 <= x <= 12 and 7 <= y <= 8:
        return c
    if index == 7 and ((x - 6) ** 2 + (y - 6) ** 2 in range(9, 20) or (x - y == 0 and 9 <= x <= 13)):
        return c
    if index == 8 and (2 <= x <= 13 and y in (3, 12) or x in (2, 13) and 3 <= y <= 12):
        return (128, 0, 0)
    if index == 9 and (3 <= x <= 10 and 2 <= y <= 13) and not (4 <= x <= 9 and 3 <= y <= 12):
        return c
    return GREY


def state(index, x, y):
    """Run modes 0..4 on the current row, then not queued and queued.
    Colours that show on white and on the selection's dark blue alike."""
    if index == 0 and 4 <= x <= 11 and 4 <= y <= 11:
        return (224, 0, 0)
    if index == 1 and 4 <= y <= 11 and (x in (4, 5, 10, 11)):
        return (255, 128, 0)
    if index in (2, 3, 4) and triangle(x, y, 4, 4, 8):
        return ((0, 160, 0), (0, 128, 0), (0, 96, 0))[index - 2]
    if index == 4 and 12 <= x <= 13 and 4 <= y <= 11:
        return (0, 96, 0)
    if index == 5 and (x in (4, 11) and 4 <= y <= 11 or y in (4, 11) and 4 <= x <= 11):
        return (128, 128, 128)
    if index == 6 and 4 <= x <= 11 and 4 <= y <= 11:
        return (0, 0, 0) if x in (4, 11) or y in (4, 11) else (255, 255, 0)
    return GREY


write_bmp("kelvo-tools.bmp", 16 * 10, 15, lambda x, y: tool(x // 16, x % 16, y))
write_bmp("kelvo-states.bmp", 16 * 7, 16, lambda x, y: state(x // 16, x % 16, y))
