#!/usr/bin/env python3
"""Draws the launcher's icon: a deep-blue rounded tile with a bright V, as an .ico holding
32-bit images of 16, 20, 24, 32, 40, 48, 64, 128 and 256 pixels. Standard library only.

    make_icon.py OUTPUT.ico
"""
import struct
import sys

SIZES = (16, 20, 24, 32, 40, 48, 64, 128, 256)
BACKGROUND = (14, 12, 42)
ACCENT = (255, 122, 48)
SAMPLES = 4  # per axis, for smooth edges


def inside_tile(x, y):
    """Rounded square covering the whole image, corner radius 0.2."""
    r = 0.2
    cx = min(max(x, r), 1 - r)
    cy = min(max(y, r), 1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def inside_v(x, y):
    """Two slanted strokes meeting at the bottom centre."""
    if not 0.22 <= y <= 0.8:
        return False
    t = (y - 0.22) / 0.58
    half = 0.3 * (1 - t) + 0.02
    width = 0.085
    left = 0.5 - half
    right = 0.5 + half
    return abs(x - left) <= width or abs(x - right) <= width


def pixel(size, px, py):
    tile = v = 0
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            x = (px + (sx + 0.5) / SAMPLES) / size
            y = (py + (sy + 0.5) / SAMPLES) / size
            if inside_tile(x, y):
                tile += 1
                if inside_v(x, y):
                    v += 1
    total = SAMPLES * SAMPLES
    if tile == 0:
        return (0, 0, 0, 0)
    mix = v / tile
    rgb = tuple(round(b + (a - b) * mix) for a, b in zip(ACCENT, BACKGROUND))
    return rgb + (round(255 * tile / total),)


def image(size):
    """BITMAPINFOHEADER, bottom-up BGRA rows, then the 1-bit AND mask (all zero)."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = bytearray()
    for py in range(size - 1, -1, -1):
        for px in range(size):
            r, g, b, a = pixel(size, px, py)
            rows += bytes((b, g, r, a))
    mask_row = ((size + 31) // 32) * 4
    return header + bytes(rows) + bytes(mask_row * size)


def main(path):
    images = [image(size) for size in SIZES]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, data in zip(SIZES, images):
        side = 0 if size == 256 else size
        out += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in images:
        out += data
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    main(sys.argv[1])
