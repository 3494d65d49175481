#!/usr/bin/env python3
"""Draws the shipped pictures: the heart (resources/heart.bmp) and the program icon
(resources/kotopane.ico). Run once by hand; the results are committed."""
import math, struct, os

def heart_inside(x, y, size):
    # Classic implicit heart curve, scaled to the square.
    u = (x + 0.5) / size * 2.6 - 1.3
    v = 1.25 - (y + 0.5) / size * 2.5
    return (u * u + v * v - 1) ** 3 - u * u * v ** 3 <= 0

def heart_pixels(size, bg):
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            if heart_inside(x, y, size):
                shade = 1.0 - 0.35 * (y / size)
                row.append((int(60 * shade), int(40 * shade), int(235 * shade), 255))  # BGRA
            else:
                row.append(bg)
        rows.append(row)
    return rows

def write_bmp24(path, rows):
    h = len(rows); w = len(rows[0])
    stride = (w * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for b, g, r, a in row:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        data += line
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    open(path, "wb").write(header + info + data)

def icon_image(size):
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            # A white speech bubble on a soft blue disc, a small heart inside.
            cx = cy = (size - 1) / 2
            d = math.hypot(x - cx, y - cy)
            if d > size / 2:
                row.append((0, 0, 0, 0))
                continue
            px = (200, 140, 60, 255)
            if abs(x - cx) < size * 0.36 and size * 0.18 < y < size * 0.62:
                px = (255, 255, 255, 255)
            if heart_inside(x - int(size * 0.3), y - int(size * 0.24), int(size * 0.4)) and \
               0 <= x - int(size * 0.3) < int(size * 0.4) and 0 <= y - int(size * 0.24) < int(size * 0.4):
                px = (60, 40, 235, 255)
            row.append(px)
        rows.append(row)
    return rows

def icon_entry(size):
    rows = icon_image(size)
    xor = bytearray()
    for row in reversed(rows):
        for b, g, r, a in row:
            xor += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    andmask = bytearray(mask_stride * size)
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(andmask), 0, 0, 0, 0)
    return info + xor + andmask

def write_ico(path, sizes):
    entries = [icon_entry(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for s, e in zip(sizes, entries):
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(e), offset)
        offset += len(e)
    for e in entries:
        out += e
    open(path, "wb").write(out)

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources")
write_bmp24(os.path.join(here, "heart.bmp"), heart_pixels(40, (255, 255, 255, 255)))
write_ico(os.path.join(here, "kotopane.ico"), [16, 32, 48])
