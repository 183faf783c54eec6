#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Draws Velmoro's icon: a theme disc on a teal-to-blue tile.

Writes Velomro.png (128 x 128 RGBA, the window icon) and velmoro.ico (the
Windows icon group: 48, 32, 24 and 16 pixels at 4 and 8 bits per pixel, and
256, 128, 64, 48, 32, 24 and 16 pixels at 32 bits per pixel). Pure Python, so
it runs anywhere: python3 make_icons.py
"""
import math
import struct
import zlib

TOP = (43, 179, 163)
BOTTOM = (42, 93, 176)
SAMPLES = 4


def tile_alpha(x, y):
    """Coverage of the rounded square at (x, y) in [0, 1] units."""
    margin, radius = 0.04, 0.2
    lo, hi = margin + radius, 1 - margin - radius
    dx = max(lo - x, 0, x - hi)
    dy = max(lo - y, 0, y - hi)
    return 1.0 if dx * dx + dy * dy <= radius * radius else 0.0


def shade(x, y):
    """Colour of one sample as (r, g, b, a) floats."""
    if not tile_alpha(x, y):
        return (0, 0, 0, 0)
    t = y
    base = tuple(TOP[i] + (BOTTOM[i] - TOP[i]) * t for i in range(3))
    d = math.hypot(x - 0.5, y - 0.53)
    white = (255, 255, 255)
    if d <= 0.07:
        return (*white, 255)                      # spindle hole rim
    if d <= 0.13:
        return (*base, 255)                       # label
    if d <= 0.34:
        groove = 0.2 < d < 0.215 or 0.27 < d < 0.285
        light = tuple(int(c * 0.15 + 255 * 0.85) for c in base) if groove else white
        return (*light, 255)                      # disc
    # a small sparkle in the upper right corner
    sx, sy = x - 0.8, y - 0.2
    if abs(sx) + abs(sy) < 0.07 and (abs(sx) < 0.012 or abs(sy) < 0.012 or abs(sx) + abs(sy) < 0.03):
        return (*white, 255)
    return (*base, 255)


def render(size):
    pixels = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    r, g, b, a = shade((px + (sx + 0.5) / SAMPLES) / size,
                                       (py + (sy + 0.5) / SAMPLES) / size)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            n = SAMPLES * SAMPLES
            alpha = acc[3] / n
            if alpha:
                row.append(tuple(int(round(acc[i] / acc[3])) for i in range(3)) + (int(round(alpha)),))
            else:
                row.append((0, 0, 0, 0))
        pixels.append(row)
    return pixels


def png(pixels):
    size = len(pixels)
    raw = b"".join(b"\0" + bytes(c for p in row for c in p) for row in pixels)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


VGA16 = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
         (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
         (255, 0, 255), (0, 255, 255), (255, 255, 255)]
CUBE256 = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)] + \
          [(int(i * 255 / 39),) * 3 for i in range(40)]


def nearest(palette, colour):
    return min(range(len(palette)), key=lambda i: sum((palette[i][k] - colour[k]) ** 2 for k in range(3)))


def and_mask(pixels):
    size = len(pixels)
    stride = ((size + 31) // 32) * 4
    out = b""
    for row in reversed(pixels):
        bits = bytearray(stride)
        for x, p in enumerate(row):
            if p[3] < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += bytes(bits)
    return out


def dib(pixels, bpp):
    size = len(pixels)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0, 0, 0, 0, 0, 0)
    if bpp == 32:
        body = b"".join(bytes((p[2], p[1], p[0], p[3])) for row in reversed(pixels) for p in row)
        return header + body + and_mask(pixels)
    palette = VGA16 if bpp == 4 else CUBE256
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    stride = ((size * bpp + 31) // 32) * 4
    body = b""
    for row in reversed(pixels):
        indices = [nearest(palette, p) if p[3] >= 128 else 0 for p in row]
        if bpp == 8:
            line = bytes(indices)
        else:
            line = bytes((indices[i] << 4) | (indices[i + 1] if i + 1 < size else 0) for i in range(0, size, 2))
        body += line + bytes(stride - len(line))
    return header + table + body + and_mask(pixels)


def ico(images):
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, blobs = b"", b""
    for size, bpp, blob in images:
        colours = {4: 16, 8: 0, 32: 0}[bpp]
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1, bpp, len(blob), offset)
        blobs += blob
        offset += len(blob)
    return directory + entries + blobs


def main():
    rendered = {size: render(size) for size in (256, 128, 64, 48, 32, 24, 16)}
    with open("Velomro.png", "wb") as f:
        f.write(png(rendered[128]))
    images = [(s, bpp, dib(rendered[s], bpp)) for bpp in (4, 8) for s in (48, 32, 24, 16)]
    images += [(256, 32, png(rendered[256]))]
    images += [(s, 32, dib(rendered[s], 32)) for s in (128, 64, 48, 32, 24, 16)]
    with open("velmoro.ico", "wb") as f:
        f.write(ico(images))


if __name__ == "__main__":
    main()
