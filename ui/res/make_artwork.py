#!/usr/bin/env python3
"""Draws the progress window's artwork into ui/res: the background strip (bitmap 131)
and the program icon (icon 128). Run it after changing a colour here and commit the two
files it writes:

    python3 ui/res/make_artwork.py
"""
import math
import os
import struct

RES = os.path.dirname(os.path.abspath(__file__))

# The strip, from the top row down. The window's layout expects these bands: one edge
# row, the caption band to row 19, a three-row line at rows 20 to 22, the body, turning
# green from row 60 under the icon and the progress bar, and a darker last row.
STRIP_HEIGHT = 96


def mix(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def strip_colour(row):
    if row == 0:
        return (24, 72, 150)
    if row <= 19:
        return mix((118, 146, 178), (96, 126, 160), (row - 1) / 18)
    if row <= 22:
        return (22, 38, 58)
    if row < 56:
        return mix((70, 98, 128), (60, 96, 112), (row - 23) / 33)
    if row < 64:
        return mix((60, 96, 112), (36, 122, 80), (row - 55) / 8)
    if row <= 94:
        return mix((36, 122, 80), (24, 96, 58), (row - 64) / 30)
    return (12, 56, 32)


def background_bmp():
    """A 1 x 96 bottom-up 24-bit BMP; the resource is 426 bytes: the 40-byte header, 96
    rows padded to four bytes and a two-byte tail."""
    rows = b""
    for row in reversed(range(STRIP_HEIGHT)):
        r, g, b = strip_colour(row)
        rows += bytes((b, g, r, 0))
    image = rows + b"\0\0"
    info = struct.pack("<IiiHHIIiiII", 40, 1, STRIP_HEIGHT, 1, 24, 0, len(image), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(image), 0, 0, 14 + len(info))
    return header + info + image


def coverage(inside, x, y, samples=4):
    """Share of pixel (x, y) that inside(px, py) covers, by supersampling."""
    hits = 0
    for sy in range(samples):
        for sx in range(samples):
            if inside(x + (sx + 0.5) / samples, y + (sy + 0.5) / samples):
                hits += 1
    return hits / (samples * samples)


def in_badge(px, py):
    # A rounded square of 30 pixels with corners of radius 7.
    lo, hi, r = 1.0, 31.0, 7.0
    cx = min(max(px, lo + r), hi - r)
    cy = min(max(py, lo + r), hi - r)
    return (px - cx) ** 2 + (py - cy) ** 2 <= r * r


def in_signal(px, py):
    # A dot and three arcs spreading up and to the right from the lower left: a
    # wireless signal.
    ox, oy = 9.0, 23.0
    d = math.hypot(px - ox, py - oy)
    if d <= 2.6:
        return True
    angle = math.atan2(oy - py, px - ox)
    if not (0.05 <= angle <= math.pi / 2 - 0.05):
        return False
    return any(abs(d - radius) <= 1.5 for radius in (7.0, 12.0, 17.0))


def icon_pixels():
    pixels = []
    for y in range(32):
        row = []
        for x in range(32):
            badge = coverage(in_badge, x, y)
            signal = coverage(in_signal, x, y)
            top, bottom = (40, 132, 200), (20, 86, 150)
            r, g, b = mix(top, bottom, y / 31)
            r, g, b = mix((r, g, b), (255, 255, 255), signal)
            alpha = int(round(255 * badge))
            # Fully transparent pixels are black, so that the mask alone decides there.
            row.append((r, g, b, alpha) if alpha else (0, 0, 0, 0))
        pixels.append(row)
    return pixels


def icon_ico():
    """One 32 x 32 image, 32 bits with alpha, and its 1-bit mask (set where transparent)."""
    pixels = icon_pixels()
    colour = b""
    mask = b""
    for row in reversed(pixels):
        colour += b"".join(bytes((b, g, r, a)) for r, g, b, a in row)
        bits = 0
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits |= 1 << (31 - x)
        mask += struct.pack(">I", bits)
    info = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    image = info + colour + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", 32, 32, 0, 0, 1, 32, len(image), 6 + 16)
    return directory + entry + image


def main():
    with open(os.path.join(RES, "background.bmp"), "wb") as f:
        f.write(background_bmp())
    with open(os.path.join(RES, "setup.ico"), "wb") as f:
        f.write(icon_ico())


if __name__ == "__main__":
    main()
