#!/usr/bin/env python3
"""Regenerates the sample pictures: a small map scanned with a slight tilt
(scan.bmp), and the same map straightened, with the user's pure-blue frame
bars drawn at its left and right (karte.bmp): one run in mode h stretches its
rows between them, a run in mode v with latitudes then respaces its rows."""
import math
import struct
from fractions import Fraction

W, H = 320, 240
PAPER = (222, 236, 244)        # blue, green, red
GRID = (150, 150, 150)
RIVER = (200, 120, 40)
FOREST = (90, 160, 80)
TOWN = (40, 40, 190)
BLUE_BAR = (255, 0, 0)         # pure blue in file order


def write_bmp(path, rows):
    height, width = len(rows), len(rows[0])
    row_bytes = (3 * width + 3) // 4 * 4
    data = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for b, g, r in row:
            line += bytes((b, g, r))
        line += bytes(row_bytes - 3 * width)
        data += line
    header = b"BM" + struct.pack("<IHHI", 54 + len(data), 0, 0, 54)
    header += struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + data)


def on_line(t, lines, pixel):
    """Whether t lies on one of the lines at multiples of 1 / lines: exactly
    one pixel of size pixel in each row or column does."""
    offset = (t - Fraction(round(t * lines), lines)) / pixel
    return -0.5 <= offset < 0.5


def map_colour(u, v, pixel=None):
    """Colour of the map at (u, v), both from 0 to 1 across and down. Given
    the size of a pixel in u and v, every grid line is one pixel wide."""
    if pixel is None:
        on_grid = abs((u * 8) - round(u * 8)) < 0.012 or abs((v * 6) - round(v * 6)) < 0.015
    else:
        on_grid = on_line(u, 8, pixel[0]) or on_line(v, 6, pixel[1])
    if on_grid:
        return GRID
    river = 0.55 + 0.12 * math.sin(u * 7.0) + 0.05 * math.sin(u * 23.0)
    if abs(v - river) < 0.012:
        return RIVER
    if (u - 0.3) ** 2 + ((v - 0.3) * 1.3) ** 2 < 0.012:
        return FOREST
    for tu, tv in ((0.62, 0.42), (0.18, 0.78), (0.81, 0.71)):
        if abs(u - tu) < 0.012 and abs(v - tv) < 0.016:
            return TOWN
    return PAPER


def straight_map():
    return [[map_colour(x / (W - 1), y / (H - 1)) for x in range(W)] for y in range(H)]


def tilted_scan(degrees):
    t = math.radians(degrees)
    rows = []
    for y in range(H):
        row = []
        for x in range(W):
            a, b = x - W / 2, y - H / 2
            u = (a * math.cos(t) + b * math.sin(t)) / (W - 40) + 0.5
            v = (-a * math.sin(t) + b * math.cos(t)) / (H - 30) + 0.5
            row.append(map_colour(u, v) if 0 <= u <= 1 and 0 <= v <= 1 else (255, 255, 255))
        rows.append(row)
    return rows


def framed_map():
    """The map as a slightly warped sheet: its frame (the outer meridians)
    wanders a little from row to row, and the user's bars cover everything
    outside it, up to the frame line. A run in mode h thus makes the
    meridians straight, and the graticule lies where the measurement file
    (KARTE-HV.TXT) says."""
    rows = []
    for y in range(H):
        left = 6 + (y * 5) // H           # the first and last map pixel of the row
        last = W - 1 - (4 + ((H - y) * 3) // H)
        # Exact fractions, so that a line halfway between two pixels takes the left one.
        pixel = (Fraction(1, last - left), Fraction(1, H - 1))
        rows.append([map_colour(Fraction(x - left, last - left), Fraction(y, H - 1), pixel)
                     if left <= x <= last else BLUE_BAR for x in range(W)])
    return rows


if __name__ == "__main__":
    write_bmp("scan.bmp", tilted_scan(-1.2))
    write_bmp("karte.bmp", framed_map())
