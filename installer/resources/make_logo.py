#!/usr/bin/env python3
"""Draws the test page logo, logo.bmp: 308 x 87 pixels, 1 bit per pixel.

A receipt printer with a receipt coming out of it, and the BRINDOL wordmark
in geometric capitals over a rule. Every shape is a small function of the
pixel position; each pixel is sampled 4 x 4 times and set black when at
least half of its samples fall inside a shape, so edges stay clean at one
bit per pixel.

Usage: make_logo.py [OUT.bmp]   (default: logo.bmp next to this script)
"""
import math
import os
import struct
import sys

WIDTH, HEIGHT = 308, 87
SAMPLES = 4


# ---- shapes: each returns a test (x, y) -> inside?

def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def rounded(x0, y0, x1, y1, r):
    def inside(x, y):
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def ring(cx, cy, rx_out, ry_out, stroke, keep=lambda x, y: True):
    """An elliptical ring; `keep` cuts it (e.g. to its right half)."""
    rx_in, ry_in = rx_out - stroke, ry_out - stroke
    def inside(x, y):
        outer = ((x - cx) / rx_out) ** 2 + ((y - cy) / ry_out) ** 2 <= 1
        inner = rx_in > 0 and ry_in > 0 and ((x - cx) / rx_in) ** 2 + ((y - cy) / ry_in) ** 2 < 1
        return outer and not inner and keep(x, y)
    return inside


def bar(x0, y0, x1, y1, width):
    """A straight stroke of the given width from (x0, y0) to (x1, y1), cut flat at y0 and y1."""
    dx, dy = x1 - x0, y1 - y0
    length = math.hypot(dx, dy)
    nx, ny = -dy / length, dx / length
    # Horizontal half width of a slanted stroke of this width.
    half = width / 2 / abs(nx) if nx else width / 2
    def inside(x, y):
        lo, hi = min(y0, y1), max(y0, y1)
        if not lo <= y < hi:
            return False
        t = (y - y0) / dy
        return abs(x - (x0 + t * dx)) <= half
    return inside


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def minus(shape, *holes):
    return lambda x, y: shape(x, y) and not any(h(x, y) for h in holes)


# ---- the printer and its receipt

def printer():
    paper_x0, paper_x1 = 14, 56
    paper = rect(paper_x0, 4, paper_x1, 44)
    # The receipt's torn top edge: a row of teeth.
    teeth = lambda x, y: y < 4 + 3 * abs(((x - paper_x0) % 7) - 3.5) / 3.5
    paper_inner = rect(paper_x0 + 3, 7, paper_x1 - 3, 44)
    outline = minus(paper, paper_inner, teeth)
    lines = union(rect(21, 14, 49, 17), rect(21, 21, 43, 24), rect(21, 28, 47, 31), rect(36, 35, 49, 38))
    body = rounded(2, 40, 68, 80, 7)
    slot = rect(10, 46, 60, 49)
    light = lambda x, y: (x - 58) ** 2 + (y - 70) ** 2 <= 9
    feed = rect(12, 66, 34, 69)
    return union(outline, lines, minus(body, slot, light, feed))


# ---- the wordmark: cap height from TOP to BOTTOM, strokes of STROKE pixels

TOP, BOTTOM, STROKE = 14, 62, 9
MID = (TOP + BOTTOM) / 2


def bowl(x, top, bottom, right):
    """A stem-side bowl: bars from x along top and bottom, closed by a half ellipse ending at `right`."""
    ry = (bottom - top) / 2
    rx = min(ry, right - x - STROKE)
    cx = right - rx
    return union(rect(x, top, cx, top + STROKE), rect(x, bottom - STROKE, cx, bottom),
                 ring(cx, (top + bottom) / 2, rx, ry, STROKE, lambda px, py: px >= cx))


def letter_b(x):
    w = 27
    split = TOP + (BOTTOM - TOP) * 0.47
    stem = rect(x, TOP, x + STROKE, BOTTOM)
    upper = bowl(x, TOP, split + STROKE / 2, x + w - 3)
    lower = bowl(x, split - STROKE / 2, BOTTOM, x + w)
    return union(stem, upper, lower), w


def letter_r(x):
    w = 28
    split = TOP + (BOTTOM - TOP) * 0.5
    stem = rect(x, TOP, x + STROKE, BOTTOM)
    upper = bowl(x, TOP, split + STROKE / 2, x + w - 1)
    leg = bar(x + w * 0.45, split, x + w - STROKE / 2 + 1, BOTTOM, STROKE)
    return union(stem, upper, leg), w


def letter_i(x):
    return rect(x, TOP, x + STROKE, BOTTOM), STROKE


def letter_n(x):
    w = 30
    left = rect(x, TOP, x + STROKE, BOTTOM)
    right = rect(x + w - STROKE, TOP, x + w, BOTTOM)
    diagonal = bar(x + STROKE / 2 + 1, TOP, x + w - STROKE / 2 - 1, BOTTOM, STROKE)
    return union(left, right, diagonal), w


def letter_d(x):
    w = 30
    return union(rect(x, TOP, x + STROKE, BOTTOM), bowl(x, TOP, BOTTOM, x + w)), w


def letter_o(x):
    w = 36
    return ring(x + w / 2, MID, w / 2, (BOTTOM - TOP) / 2, STROKE), w


def letter_l(x):
    w = 23
    return union(rect(x, TOP, x + STROKE, BOTTOM), rect(x, BOTTOM - STROKE, x + w, BOTTOM)), w


def wordmark(x, gap):
    shapes = []
    for make in (letter_b, letter_r, letter_i, letter_n, letter_d, letter_o, letter_l):
        shape, w = make(x)
        shapes.append(shape)
        x += w + gap
    return union(*shapes), x - gap


def logo():
    start = 82
    word, end = wordmark(start, 5)
    rule = rect(start, 71, end, 75)
    return union(printer(), word, rule)


def render(shape):
    rows = []
    offsets = [(i + 0.5) / SAMPLES for i in range(SAMPLES)]
    for y in range(HEIGHT):
        row = []
        for x in range(WIDTH):
            hits = sum(shape(x + dx, y + dy) for dy in offsets for dx in offsets)
            row.append(hits * 2 >= SAMPLES * SAMPLES)
        rows.append(row)
    return rows


def write_bmp(path, rows):
    stride = ((WIDTH + 31) // 32) * 4
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray(stride)
        for x, black in enumerate(row):
            if not black:  # palette entry 1 is white
                line[x // 8] |= 0x80 >> (x % 8)
        pixels += line
    palette = bytes([0, 0, 0, 0, 255, 255, 255, 0])
    offset = 14 + 40 + len(palette)
    header = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    info = struct.pack('<IiiHHIIiiII', 40, WIDTH, HEIGHT, 1, 1, 0, len(pixels), 7992, 7992, 2, 2)
    with open(path, 'wb') as out:
        out.write(header + info + palette + pixels)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, 'logo.bmp')
    write_bmp(path, render(logo()))


if __name__ == '__main__':
    main()
