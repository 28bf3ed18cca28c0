#!/usr/bin/env python3
"""Draws the demo's pictures with the shapes of tools/make_art.py.

    python3 tools/demo/make_demo_art.py

Writes, always the same bytes for the same code:
  tools/demo/game/thumb.jpg              the fourth sample game's thumbnail
  tools/demo/www/banners/fairy-isle.png  its banner in the catalogue (300 x 120)
  tools/demo/www/banners/advert.png      the catalogue's advertisement (300 x 120)
"""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.dirname(HERE))
from make_art import (Canvas, Random, circle, ellipse, linear, radial, rgb,  # noqa: E402
                      rrect, segment, sparkle, star, vertical, gift)


def island(w, h, seed):
    """Sea, sky and an island with a palm and a chest, drawn at twice the size."""
    s = 2
    c = Canvas(w * s, h * s)
    W, H = c.w, c.h
    every = c.everywhere()
    c.fill(every, vertical(0, H, [(0.0, rgb('#2b6fd6')), (0.5, rgb('#7cc8ff')), (0.62, rgb('#ffe2b0')), (1.0, rgb('#1aa3b8'))]))
    sea = rrect(-10, H * 0.6, W + 10, H + 10, 0)
    c.fill(sea, vertical(H * 0.6, H, [(0.0, rgb('#27b7c9')), (1.0, rgb('#0b6f8f'))]))
    sun_x, sun_y = W * 0.82, H * 0.24
    c.fill(circle(sun_x, sun_y, H * 0.32), radial(sun_x, sun_y, H * 0.32, [(0.0, (1, 0.95, 0.6, 0.7)), (1.0, (1, 0.9, 0.6, 0.0))]))
    c.fill(circle(sun_x, sun_y, H * 0.1), rgb('#fff3b0'))
    rnd = Random(seed)
    for _ in range(6):
        x, y = rnd.range(0, W * 0.7), rnd.range(H * 0.08, H * 0.35)
        r = rnd.range(H * 0.05, H * 0.09)
        cloud = circle(x, y, r).union(circle(x + r, y + r * 0.2, r * 0.8)).union(circle(x - r, y + r * 0.25, r * 0.7))
        c.fill(cloud, (1, 1, 1, 0.75), feather=1.5)
    ix, iy = W * 0.45, H * 0.78
    land = ellipse(ix, iy, W * 0.3, H * 0.14)
    c.fill(land.grown(H * 0.03), (1, 1, 1, 0.35), feather=3)
    c.fill(land, vertical(iy - H * 0.14, iy + H * 0.14, [(0.0, rgb('#ffe08a')), (1.0, rgb('#d9a441'))]))
    c.fill(ellipse(ix - W * 0.05, iy - H * 0.05, W * 0.16, H * 0.07), rgb('#5cc25a'))
    # a palm
    px, py = ix - W * 0.1, iy - H * 0.06
    top_x, top_y = px + W * 0.05, py - H * 0.42
    c.fill(segment(px, py, top_x, top_y, H * 0.035), rgb('#8a5a2b'))
    for (dx, dy) in ((-0.13, 0.06), (0.13, 0.05), (-0.08, -0.04), (0.09, -0.05), (0.0, 0.09)):
        c.fill(ellipse(top_x + W * dx * 0.5, top_y + H * dy, W * 0.075, H * 0.035, dx * 6), rgb('#2f9a3a'))
    # a treasure chest
    cx, cy = ix + W * 0.12, iy - H * 0.04
    c.fill(rrect(cx - H * 0.09, cy - H * 0.06, cx + H * 0.09, cy + H * 0.06, 3), rgb('#9b5a1e'))
    c.fill(rrect(cx - H * 0.09, cy - H * 0.1, cx + H * 0.09, cy - H * 0.03, 5), rgb('#b8732c'))
    c.fill(circle(cx, cy - H * 0.02, H * 0.02), rgb('#ffd23f'))
    for (x, y, r) in ((cx - H * 0.12, cy - H * 0.16, H * 0.05), (cx + H * 0.13, cy - H * 0.14, H * 0.04)):
        c.fill(sparkle(x, y, r), rgb('#fff6c0'))
    return c.shrunk(s)


def advert(w, h):
    c = Canvas(w, h)
    every = c.everywhere()
    c.fill(every, linear(0, 0, w, h, [(0.0, rgb('#5a2bd0')), (1.0, rgb('#ff6fae'))]))
    rnd = Random(9)
    for _ in range(30):
        c.fill(circle(rnd.range(0, w), rnd.range(0, h), rnd.range(0.6, 1.6)), (1, 1, 1, rnd.range(0.3, 0.9)))
    for (x, y, r) in ((w * 0.16, h * 0.5, 26), (w * 0.84, h * 0.45, 22), (w * 0.68, h * 0.2, 10)):
        c.fill(star(x, y, r, r * 0.45, round_=2), radial(x - 4, y - 4, r * 1.3, [(0.0, rgb('#fff6b0')), (1.0, rgb('#ffb300'))]))
    gift(c, w * 0.5, h * 0.56, 76)
    return c


def main():
    island(100, 75, 4).save_jpg(os.path.join(HERE, 'game', 'thumb.jpg'))
    island(300, 120, 11).save_png(os.path.join(HERE, 'www', 'banners', 'fairy-isle.png'), opaque=True)
    advert(300, 120).save_png(os.path.join(HERE, 'www', 'banners', 'advert.png'), opaque=True)
    return 0


if __name__ == '__main__':
    sys.exit(main())
