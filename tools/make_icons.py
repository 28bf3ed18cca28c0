#!/usr/bin/env python3
"""Writes the program icons (resources/*.ico, gamefolder/common/small.ico).

Each icon is a 32-bit BGRA image with an AND mask, in the BMP form that ICO
files hold, at 16, 32 and 48 pixels: a rounded tile in the publisher's orange
with a white "Z" drawn as three strokes. Run it again after changing the look;
the .ico files are committed.
"""
import os
import struct
import sys


def render(size, tile, stroke):
    """RGBA rows, top row first."""
    rows = []
    radius = size * 0.22
    pen = max(1.0, size * 0.14)
    left, right = size * 0.25, size * 0.75
    top, bottom = size * 0.25, size * 0.75
    for y in range(size):
        row = []
        for x in range(size):
            cx, cy = x + 0.5, y + 0.5
            # rounded-square coverage
            dx = max(radius - cx, 0, cx - (size - radius))
            dy = max(radius - cy, 0, cy - (size - radius))
            inside = dx * dx + dy * dy <= radius * radius
            if not inside:
                row.append((0, 0, 0, 0))
                continue
            on_top = top <= cy <= top + pen and left <= cx <= right
            on_bottom = bottom - pen <= cy <= bottom and left <= cx <= right
            # diagonal from (right, top+pen) to (left, bottom-pen)
            t = (cy - (top + pen)) / max(1e-6, (bottom - pen) - (top + pen))
            diag_x = right - t * (right - left)
            on_diag = 0 <= t <= 1 and abs(cx - diag_x) <= pen * 0.75
            row.append(stroke + (255,) if (on_top or on_bottom or on_diag) else tile + (255,))
        rows.append(row)
    return rows


def icon_image(size, tile, stroke):
    rgba = render(size, tile, stroke)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(rgba):  # bottom-up
        for r, g, b, a in row:
            pixels += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rgba):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(pixels) + bytes(mask)


def write_ico(path, sizes, tile, stroke):
    images = [icon_image(s, tile, stroke) for s in sizes]
    out = bytearray(struct.pack('<HHH', 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in images:
        out += data
    with open(path, 'wb') as f:
        f.write(out)


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..')
    res = os.path.join(root, 'resources')
    orange, white = (0xF0, 0x8A, 0x1C), (0xFF, 0xFF, 0xFF)
    write_ico(os.path.join(res, 'wrapper.ico'), [48, 32, 16], orange, white)
    write_ico(os.path.join(res, 'wrapper_small.ico'), [16, 32], orange, white)
    # The notification-area icon that every game folder ships.
    write_ico(os.path.join(root, 'gamefolder', 'common', 'small.ico'), [16, 32], orange, white)
    return 0


if __name__ == '__main__':
    sys.exit(main())
