#!/usr/bin/env python3
"""Draws the pictures of the sample screens and the game thumbnails.

    python3 tools/make_art.py             everything
    python3 tools/make_art.py --popup     only resources/popup/*.bmp

Writes, always the same bytes for the same code:
  gamefolder/common/html/img/*.png      backgrounds, buttons, icons, frames
  gamefolder/common/thumbnails/default.jpg
  gamefolder/games/magic-garden/thumb.jpg
  gamefolder/games/star-bubbles/thumb.jpg
  resources/popup/*.bmp                 the news pop-up window's skin: its
                                        background (and with the close spot
                                        lit), the button pair's and the wide
                                        button's pictures, plain and hover;
                                        8-bit BMPs with a palette of their own,
                                        checked after writing (colour key,
                                        no seams where the buttons lie)

Standard library only. Shapes are signed distance functions, so every edge
is anti-aliased by its distance to the pixel centre; soft shadows and glows
are the same shapes with a wide feather. Colours are straight RGBA floats
(0..1); the canvas keeps them premultiplied. JPEG files are PNGs converted
by ImageMagick (convert-im6.q16), with metadata stripped.

The screens place everything with position:absolute, so the coordinates of
the panels drawn into the backgrounds here match the numbers in style.css;
change both together.
"""
import math
import os
import struct
import subprocess
import sys
import tempfile
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
HTML = os.path.join(ROOT, 'gamefolder', 'common', 'html')
IMG = os.path.join(HTML, 'img')
THUMBS = os.path.join(ROOT, 'gamefolder', 'common', 'thumbnails')
GAMES = os.path.join(ROOT, 'gamefolder', 'games')
CONVERT = '/usr/bin/convert-im6.q16'

# --------------------------------------------------------------------------
# colours


def rgb(text, a=1.0):
    text = text.lstrip('#')
    return (int(text[0:2], 16) / 255.0, int(text[2:4], 16) / 255.0, int(text[4:6], 16) / 255.0, a)


def with_alpha(c, a):
    return (c[0], c[1], c[2], a)


def mix(c1, c2, t):
    return tuple(c1[i] + (c2[i] - c1[i]) * t for i in range(4))


def lighter(c, t):
    return mix(c, (1.0, 1.0, 1.0, c[3]), t)


def darker(c, t):
    return mix(c, (0.0, 0.0, 0.0, c[3]), t)


WHITE = (1.0, 1.0, 1.0, 1.0)
BLACK = (0.0, 0.0, 0.0, 1.0)

# --------------------------------------------------------------------------
# paints: (x, y) -> straight RGBA


def clamp01(v):
    return 0.0 if v < 0.0 else 1.0 if v > 1.0 else v


def smoothstep(t):
    t = clamp01(t)
    return t * t * (3.0 - 2.0 * t)


def _ramp(stops):
    """stops: [(t, colour), ...] sorted by t -> function of t."""
    stops = sorted(stops, key=lambda s: s[0])

    def at(t):
        if t <= stops[0][0]:
            return stops[0][1]
        for i in range(1, len(stops)):
            t1, c1 = stops[i]
            if t <= t1:
                t0, c0 = stops[i - 1]
                f = (t - t0) / (t1 - t0) if t1 > t0 else 1.0
                return mix(c0, c1, f)
        return stops[-1][1]
    return at


def solid(c):
    return lambda x, y: c


def linear(x0, y0, x1, y1, stops):
    at = _ramp(stops)
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy or 1.0
    return lambda x, y: at(((x - x0) * dx + (y - y0) * dy) / length2)


def vertical(y0, y1, stops):
    at = _ramp(stops)
    span = (y1 - y0) or 1.0
    return lambda x, y: at((y - y0) / span)


def radial(cx, cy, rx, stops, ry=None):
    at = _ramp(stops)
    ry = ry or rx
    return lambda x, y: at(math.hypot((x - cx) / rx, (y - cy) / ry))


# --------------------------------------------------------------------------
# shapes: a signed distance (negative inside) and a bounding box


class Shape:
    def __init__(self, sdf, box):
        self.sdf = sdf
        self.box = box  # x0, y0, x1, y1

    def moved(self, dx, dy):
        f = self.sdf
        x0, y0, x1, y1 = self.box
        return Shape(lambda x, y: f(x - dx, y - dy), (x0 + dx, y0 + dy, x1 + dx, y1 + dy))

    def grown(self, d):
        f = self.sdf
        x0, y0, x1, y1 = self.box
        return Shape(lambda x, y: f(x, y) - d, (x0 - d, y0 - d, x1 + d, y1 + d))

    def ring(self, width, inside=True):
        """A stroke of the outline; inside keeps it within the shape."""
        f = self.sdf
        h = width / 2.0
        if inside:
            return Shape(lambda x, y: abs(f(x, y) + h) - h, self.box)
        return Shape(lambda x, y: abs(f(x, y)) - h, _grow_box(self.box, h))

    def union(self, other):
        f, g = self.sdf, other.sdf
        return Shape(lambda x, y: min(f(x, y), g(x, y)), _union_box(self.box, other.box))

    def minus(self, other):
        f, g = self.sdf, other.sdf
        return Shape(lambda x, y: max(f(x, y), -g(x, y)), self.box)

    def within(self, other):
        f, g = self.sdf, other.sdf
        return Shape(lambda x, y: max(f(x, y), g(x, y)), _meet_box(self.box, other.box))


def _grow_box(b, d):
    return (b[0] - d, b[1] - d, b[2] + d, b[3] + d)


def _union_box(a, b):
    return (min(a[0], b[0]), min(a[1], b[1]), max(a[2], b[2]), max(a[3], b[3]))


def _meet_box(a, b):
    return (max(a[0], b[0]), max(a[1], b[1]), min(a[2], b[2]), min(a[3], b[3]))


def box(x0, y0, x1, y1):
    cx, cy, hx, hy = (x0 + x1) / 2.0, (y0 + y1) / 2.0, (x1 - x0) / 2.0, (y1 - y0) / 2.0

    def sdf(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        return math.hypot(max(qx, 0.0), max(qy, 0.0)) + min(max(qx, qy), 0.0)
    return Shape(sdf, (x0, y0, x1, y1))


def rrect(x0, y0, x1, y1, r):
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    hx, hy = (x1 - x0) / 2.0, (y1 - y0) / 2.0
    r = min(r, hx, hy)

    def sdf(x, y):
        qx = abs(x - cx) - hx + r
        qy = abs(y - cy) - hy + r
        return math.hypot(max(qx, 0.0), max(qy, 0.0)) + min(max(qx, qy), 0.0) - r
    return Shape(sdf, (x0, y0, x1, y1))


def circle(cx, cy, r):
    return Shape(lambda x, y: math.hypot(x - cx, y - cy) - r, (cx - r, cy - r, cx + r, cy + r))


def ellipse(cx, cy, rx, ry, angle=0.0):
    ca, sa = math.cos(angle), math.sin(angle)
    m = min(rx, ry)

    def sdf(x, y):
        dx, dy = x - cx, y - cy
        u, v = dx * ca + dy * sa, -dx * sa + dy * ca
        k = math.hypot(u / rx, v / ry)
        return (k - 1.0) * m
    e = max(rx, ry)
    return Shape(sdf, (cx - e, cy - e, cx + e, cy + e))


def segment(ax, ay, bx, by, width):
    """A capsule: the line from a to b with round ends."""
    h = width / 2.0
    ex, ey = bx - ax, by - ay
    l2 = ex * ex + ey * ey or 1e-9

    def sdf(x, y):
        wx, wy = x - ax, y - ay
        t = clamp01((wx * ex + wy * ey) / l2)
        return math.hypot(wx - ex * t, wy - ey * t) - h
    return Shape(sdf, (min(ax, bx) - h, min(ay, by) - h, max(ax, bx) + h, max(ay, by) + h))


def polyline(points, width):
    shape = segment(*points[0], *points[1], width)
    for i in range(1, len(points) - 1):
        shape = shape.union(segment(*points[i], *points[i + 1], width))
    return shape


def polygon(points):
    pts = list(points)
    n = len(pts)

    def sdf(x, y):
        d = float('inf')
        s = 1.0
        for i in range(n):
            ax, ay = pts[i]
            bx, by = pts[i - 1]
            ex, ey = bx - ax, by - ay
            wx, wy = x - ax, y - ay
            t = clamp01((wx * ex + wy * ey) / (ex * ex + ey * ey or 1e-9))
            dx, dy = wx - ex * t, wy - ey * t
            d = min(d, dx * dx + dy * dy)
            c1, c2, c3 = y >= ay, y < by, ex * wy > ey * wx
            if (c1 and c2 and c3) or (not c1 and not c2 and not c3):
                s = -s
        return s * math.sqrt(d)
    xs = [p[0] for p in pts]
    ys = [p[1] for p in pts]
    return Shape(sdf, (min(xs), min(ys), max(xs), max(ys)))


def star(cx, cy, outer, inner, points=5, angle=-math.pi / 2, round_=0.0):
    pts = []
    for i in range(points * 2):
        r = (outer if i % 2 == 0 else inner) - round_
        a = angle + i * math.pi / points
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    shape = polygon(pts)
    return shape.grown(round_) if round_ else shape


def sparkle(cx, cy, r, thin=0.22):
    """A four-pointed twinkle."""
    return star(cx, cy, r, r * thin, points=4, angle=-math.pi / 2)


def triangle_right(cx, cy, size, round_=0.0):
    """A play triangle pointing right, centred on its centroid."""
    h = size
    w = size * 0.9
    pts = [(cx - w / 3 + round_ * 0.5, cy - h / 2 + round_), (cx + 2 * w / 3 - round_, cy),
           (cx - w / 3 + round_ * 0.5, cy + h / 2 - round_)]
    shape = polygon(pts)
    return shape.grown(round_) if round_ else shape


def arc(cx, cy, r, width, a0, a1):
    """A ring between angles a0..a1 (radians, clockwise from +x with y down)."""
    mid = (a0 + a1) / 2.0
    half = (a1 - a0) / 2.0
    ca, sa = math.cos(mid), math.sin(mid)
    h = width / 2.0

    def sdf(x, y):
        dx, dy = x - cx, y - cy
        # rotate so that the arc is centred on +x
        u, v = dx * ca + dy * sa, -dx * sa + dy * ca
        ang = math.atan2(v, u)
        if abs(ang) <= half:
            return abs(math.hypot(u, v) - r) - h
        ex, ey = r * math.cos(half), r * math.sin(half) * (1 if v > 0 else -1)
        return math.hypot(u - ex, v - ey) - h
    return Shape(sdf, (cx - r - h, cy - r - h, cx + r + h, cy + r + h))


# --------------------------------------------------------------------------
# canvas


def coverage(d, feather):
    if feather <= 0.5:
        return clamp01(0.5 - d)
    return smoothstep((feather - d) / (2.0 * feather))


class Canvas:
    def __init__(self, w, h, color=(0.0, 0.0, 0.0, 0.0)):
        self.w, self.h = w, h
        n = w * h
        a = color[3]
        self.r = [color[0] * a] * n
        self.g = [color[1] * a] * n
        self.b = [color[2] * a] * n
        self.a = [a] * n

    def fill(self, shape, paint, feather=0.0, opacity=1.0, erase=False):
        """Draws `paint` where `shape` is; feather softens the edge by that
        many pixels each way. With erase the shape cuts the canvas instead."""
        if not callable(paint):
            paint = solid(paint)
        x0, y0, x1, y1 = shape.box
        pad = feather + 1.0
        x0 = max(0, int(math.floor(x0 - pad)))
        y0 = max(0, int(math.floor(y0 - pad)))
        x1 = min(self.w, int(math.ceil(x1 + pad)))
        y1 = min(self.h, int(math.ceil(y1 + pad)))
        sdf = shape.sdf
        R, G, B, A = self.r, self.g, self.b, self.a
        for y in range(y0, y1):
            py = y + 0.5
            row = y * self.w
            for x in range(x0, x1):
                px = x + 0.5
                d = sdf(px, py)
                if feather <= 0.5:
                    c = 0.5 - d
                    if c <= 0.0:
                        continue
                    if c > 1.0:
                        c = 1.0
                else:
                    c = coverage(d, feather)
                    if c <= 0.0:
                        continue
                i = row + x
                if erase:
                    k = 1.0 - c * opacity
                    R[i] *= k
                    G[i] *= k
                    B[i] *= k
                    A[i] *= k
                    continue
                cr, cg, cb, ca = paint(px, py)
                al = ca * c * opacity
                if al <= 0.0:
                    continue
                k = 1.0 - al
                R[i] = cr * al + R[i] * k
                G[i] = cg * al + G[i] * k
                B[i] = cb * al + B[i] * k
                A[i] = al + A[i] * k

    def everywhere(self):
        return box(0, 0, self.w, self.h)

    def draw(self, other, dx, dy, opacity=1.0):
        """Composites another canvas at (dx, dy) (whole pixels)."""
        for y in range(other.h):
            ty = y + dy
            if ty < 0 or ty >= self.h:
                continue
            for x in range(other.w):
                tx = x + dx
                if tx < 0 or tx >= self.w:
                    continue
                j = y * other.w + x
                al = other.a[j] * opacity
                if al <= 0.0:
                    continue
                i = ty * self.w + tx
                k = 1.0 - al
                self.r[i] = other.r[j] * opacity + self.r[i] * k
                self.g[i] = other.g[j] * opacity + self.g[i] * k
                self.b[i] = other.b[j] * opacity + self.b[i] * k
                self.a[i] = al + self.a[i] * k

    def crop(self, x, y, w, h):
        out = Canvas(w, h)
        for yy in range(h):
            src = (y + yy) * self.w + x
            dst = yy * w
            out.r[dst:dst + w] = self.r[src:src + w]
            out.g[dst:dst + w] = self.g[src:src + w]
            out.b[dst:dst + w] = self.b[src:src + w]
            out.a[dst:dst + w] = self.a[src:src + w]
        return out

    def copy(self):
        return self.crop(0, 0, self.w, self.h)

    def shrunk(self, factor):
        """Box-filtered to 1/factor of the size (drawing big, then this)."""
        w, h = self.w // factor, self.h // factor
        out = Canvas(w, h)
        n = float(factor * factor)
        for y in range(h):
            for x in range(w):
                r = g = b = a = 0.0
                for yy in range(factor):
                    base = (y * factor + yy) * self.w + x * factor
                    for xx in range(factor):
                        i = base + xx
                        r += self.r[i]
                        g += self.g[i]
                        b += self.b[i]
                        a += self.a[i]
                i = y * w + x
                out.r[i], out.g[i], out.b[i], out.a[i] = r / n, g / n, b / n, a / n
        return out

    # -- output

    _BAYER = (0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5)

    def png_bytes(self, opaque=False):
        """PNG file bytes. Ordered dithering keeps the dark gradients from
        banding."""
        raw = bytearray()
        bayer = self._BAYER
        for y in range(self.h):
            raw.append(0)
            for x in range(self.w):
                i = y * self.w + x
                a = self.a[i]
                dither = (bayer[(y & 3) * 4 + (x & 3)] + 0.5) / 16.0
                if a <= 0.0:
                    r = g = b = 0.0
                    a = 0.0
                else:
                    r, g, b = self.r[i] / a, self.g[i] / a, self.b[i] / a
                px = [int(clamp01(v) * 255.0 + dither) for v in (r, g, b)]
                px = [min(255, v) for v in px]
                if opaque:
                    raw += bytes(px)
                else:
                    raw += bytes(px) + bytes((min(255, int(clamp01(a) * 255.0 + 0.5)),))

        def chunk(kind, data):
            body = kind + data
            return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body) & 0xFFFFFFFF)
        header = struct.pack('>IIBBBBB', self.w, self.h, 8, 2 if opaque else 6, 0, 0, 0)
        return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) +
                chunk(b'IDAT', zlib.compress(bytes(raw), 9)) + chunk(b'IEND', b''))

    def save_png(self, path, opaque=False):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, 'wb') as f:
            f.write(self.png_bytes(opaque))
        print('wrote', os.path.relpath(path, ROOT))

    def save_jpg(self, path):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with tempfile.TemporaryDirectory() as work:
            source = os.path.join(work, 'picture.png')
            with open(source, 'wb') as f:
                f.write(self.png_bytes(opaque=True))
            subprocess.run([CONVERT, source, '-strip', '-quality', '90', '-sampling-factor', '1x1', path],
                           check=True)
        print('wrote', os.path.relpath(path, ROOT))


class Random:
    """A small LCG, so that scattered stars land in the same places every run."""

    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFF

    def next(self):
        self.state = (self.state * 1664525 + 1013904223) & 0xFFFFFFFF
        return self.state / 4294967296.0

    def range(self, lo, hi):
        return lo + (hi - lo) * self.next()


# --------------------------------------------------------------------------
# the look: palette and shared pieces

SKY_TOP = rgb('#110a2b')
SKY_MID = rgb('#221350')
SKY_LOW = rgb('#361a66')
ORANGE_LIGHT = rgb('#ffb347')
ORANGE = rgb('#ff8a1f')
ORANGE_DEEP = rgb('#e8620c')
ORANGE_EDGE = rgb('#b5460a')
GREEN_LIGHT = rgb('#8ee05a')
GREEN = rgb('#4cbc35')
GREEN_EDGE = rgb('#2a7d1f')
LILAC = rgb('#cbbdf2')
PANEL_LINE = (1.0, 1.0, 1.0, 0.16)

W, H = 730, 512
HEADER_H = 52
FOOTER_Y = 466

# Right-hand promotion panel of the main screen and what sits in it.
PANEL = (378, 68, 702, 448)
SLOT = (390, 112, 690, 232)        # bannerpic, 300 x 120
PROGRESS = (390, 400, 618, 414)    # the bar: 228 x 14
# Main screen, left column: the "Мои игры" tile.
TILE = (28, 376, 350, 448)
# Around the play button: no stars here.
PLAY_AREA = (20, 226, 272, 306)
# The advert lies on a copy of the panel; its picture is here on the screen.
ADVERT_SLOT = (390, 198, 690, 318)
# Game list screen: the light card that holds the list.
CARD = (28, 116, 702, 452)


def sky(canvas, seed, keep_out=()):
    """Night sky: deep gradient, coloured haze, stars (none behind the
    panels in keep_out)."""
    w, h = canvas.w, canvas.h
    everything = canvas.everywhere()
    canvas.fill(everything, vertical(0, h, [(0.0, SKY_TOP), (0.45, SKY_MID), (1.0, SKY_LOW)]))
    canvas.fill(everything, radial(w * 0.86, h * 0.08, 330, [(0.0, rgb('#b33fc9', 0.34)), (1.0, rgb('#b33fc9', 0.0))], 250))
    canvas.fill(everything, radial(w * 0.08, h * 0.98, 360, [(0.0, rgb('#2f62e6', 0.30)), (1.0, rgb('#2f62e6', 0.0))], 260))
    canvas.fill(everything, radial(w * 0.55, h * 1.05, 300, [(0.0, rgb('#e0467a', 0.16)), (1.0, rgb('#e0467a', 0.0))], 160))
    rnd = Random(seed)
    for _ in range(150):
        x, y = rnd.range(0, w), rnd.range(0, h)
        size = rnd.next()
        bright = 0.25 + 0.6 * rnd.next()
        tint = mix(WHITE, rgb('#c9b8ff'), rnd.next())
        if any(r[0] - 8 <= x <= r[2] + 8 and r[1] - 8 <= y <= r[3] + 8 for r in keep_out):
            continue
        r = 0.55 + 0.9 * size * size
        canvas.fill(circle(x, y, r), with_alpha(tint, bright))
        if size > 0.9:
            canvas.fill(circle(x, y, 7), radial(x, y, 7, [(0.0, with_alpha(tint, 0.35)), (1.0, with_alpha(tint, 0.0))]))
            canvas.fill(sparkle(x, y, 6.5, 0.12), with_alpha(tint, 0.7))


def header_and_footer(canvas):
    canvas.fill(box(0, 0, W, HEADER_H), vertical(0, HEADER_H, [(0.0, rgb('#07041a', 0.55)), (1.0, rgb('#07041a', 0.35))]))
    canvas.fill(box(0, HEADER_H, W, HEADER_H + 1), (1.0, 1.0, 1.0, 0.09))
    canvas.fill(box(0, HEADER_H + 1, W, HEADER_H + 7), vertical(HEADER_H + 1, HEADER_H + 7, [(0.0, (0, 0, 0, 0.18)), (1.0, (0, 0, 0, 0.0))]))
    canvas.fill(box(0, FOOTER_Y, W, H), (0.03, 0.015, 0.1, 0.42))
    canvas.fill(box(0, FOOTER_Y, W, FOOTER_Y + 1), (1.0, 1.0, 1.0, 0.08))


def glass_panel(canvas, rect, radius=14, strength=1.0):
    x0, y0, x1, y1 = rect
    canvas.fill(rrect(x0, y0 + 6, x1, y1 + 6, radius), (0.02, 0.0, 0.08, 0.55 * strength), feather=12)
    canvas.fill(rrect(x0, y0, x1, y1, radius),
                vertical(y0, y1, [(0.0, (0.74, 0.66, 1.0, 0.15 * strength)), (1.0, (0.6, 0.5, 1.0, 0.07 * strength))]))
    canvas.fill(rrect(x0, y0, x1, y1, radius).ring(1.0),
                vertical(y0, y1, [(0.0, (1, 1, 1, 0.26)), (0.5, (1, 1, 1, 0.12)), (1.0, (1, 1, 1, 0.08))]))


def picture_slot(canvas, rect, radius=8):
    """Where a remote picture goes: a dim well with a faint picture sign, seen
    until the picture arrives."""
    x0, y0, x1, y1 = rect
    canvas.fill(rrect(x0, y0, x1, y1, radius), vertical(y0, y1, [(0.0, (0.03, 0.01, 0.1, 0.42)), (1.0, (0.05, 0.02, 0.14, 0.30))]))
    canvas.fill(rrect(x0, y0, x1, y1, radius).ring(1.0), (1.0, 1.0, 1.0, 0.10))
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    sign = (1.0, 1.0, 1.0, 0.16)
    canvas.fill(rrect(cx - 24, cy - 18, cx + 24, cy + 18, 5).ring(2.5), sign)
    canvas.fill(polygon([(cx - 18, cy + 12), (cx - 5, cy - 4), (cx + 4, cy + 6), (cx + 10, cy), (cx + 18, cy + 12)]), sign)
    canvas.fill(circle(cx + 9, cy - 8, 4), sign)


def logo_mark(canvas, x, y, size):
    """The publisher's orange tile with a white Z."""
    s = size
    canvas.fill(rrect(x, y + s * 0.06, x + s, y + s * 1.06, s * 0.24), (0.0, 0.0, 0.0, 0.45), feather=s * 0.08)
    canvas.fill(rrect(x, y, x + s, y + s, s * 0.24),
                vertical(y, y + s, [(0.0, ORANGE_LIGHT), (1.0, ORANGE_DEEP)]))
    canvas.fill(rrect(x + s * 0.08, y + s * 0.05, x + s * 0.92, y + s * 0.5, s * 0.18),
                vertical(y, y + s * 0.5, [(0.0, (1, 1, 1, 0.35)), (1.0, (1, 1, 1, 0.0))]))
    pen = s * 0.13
    l, r, t, b = x + s * 0.28, x + s * 0.72, y + s * 0.28, y + s * 0.72
    z = polyline([(l, t), (r, t), (l, b), (r, b)], pen)
    canvas.fill(z.moved(0, s * 0.03), (0.55, 0.2, 0.0, 0.35))
    canvas.fill(z, WHITE)


def chevron(cx, cy, size, pen, left=False):
    d = -1 if left else 1
    return polyline([(cx - d * size * 0.25, cy - size / 2), (cx + d * size * 0.25, cy), (cx - d * size * 0.25, cy + size / 2)], pen)


# --------------------------------------------------------------------------
# buttons


def candy_button(w, h, margin, top, bottom, radius, hover=False, glow=None):
    """A glossy casual-game button face, w x h, in a picture with room for
    its shadow. top, bottom: the face gradient; the lower edge is darker."""
    ml, mt, mr, mb = margin
    c = Canvas(w + ml + mr, h + mt + mb)
    x0, y0, x1, y1 = ml, mt, ml + w, mt + h
    if hover and glow:
        c.fill(rrect(x0 - 2, y0 - 1, x1 + 2, y1 + 3, radius + 2), with_alpha(glow, 0.55), feather=7)
    c.fill(rrect(x0 + 2, y0 + 5, x1 - 2, y1 + 5, radius), (0.03, 0.0, 0.08, 0.55), feather=5)
    edge = darker(bottom, 0.28)
    c.fill(rrect(x0, y0, x1, y1, radius), edge)
    face = rrect(x0, y0, x1, y1 - 4, radius)
    if hover:
        top, bottom = lighter(top, 0.18), lighter(bottom, 0.12)
    c.fill(face, vertical(y0, y1 - 4, [(0.0, top), (1.0, bottom)]))
    # gloss on the upper half
    gh = (h - 4) * 0.5
    c.fill(rrect(x0 + 4, y0 + 3, x1 - 4, y0 + 3 + gh, max(2, radius - 3)),
           vertical(y0 + 3, y0 + 3 + gh, [(0.0, (1, 1, 1, 0.42 if hover else 0.34)), (1.0, (1, 1, 1, 0.04))]))
    # thin light rim at the top, dark outline all round
    c.fill(face.ring(1.2), vertical(y0, y1, [(0.0, (1, 1, 1, 0.55)), (0.35, (1, 1, 1, 0.0)), (1.0, (1, 1, 1, 0.0))]))
    c.fill(rrect(x0, y0, x1, y1, radius).ring(1.0), with_alpha(darker(bottom, 0.45), 0.75))
    return c, (x0, y0, x1, y1 - 4)


def play_button(hover):
    c, (x0, y0, x1, y1) = candy_button(236, 62, (8, 6, 8, 12), ORANGE_LIGHT, ORANGE_DEEP, 18, hover, glow=ORANGE)
    cy = (y0 + y1) / 2.0
    cx = x0 + 34
    c.fill(circle(cx, cy + 1.5, 19), (0.45, 0.15, 0.0, 0.35), feather=1.5)
    c.fill(circle(cx, cy, 19), vertical(cy - 19, cy + 19, [(0.0, WHITE), (1.0, rgb('#ffe8cc'))]))
    c.fill(triangle_right(cx + 1, cy, 18, round_=2.0), vertical(cy - 10, cy + 10, [(0.0, ORANGE), (1.0, ORANGE_DEEP)]))
    return c


def download_button(hover):
    c, (x0, y0, x1, y1) = candy_button(300, 48, (6, 4, 6, 10), GREEN_LIGHT, GREEN, 14, hover, glow=GREEN_LIGHT)
    cy = (y0 + y1) / 2.0
    cx = x0 + 28
    ink = WHITE
    c.fill(circle(cx, cy, 14), (0.0, 0.25, 0.0, 0.22))
    c.fill(segment(cx, cy - 7, cx, cy + 3, 3.2), ink)
    c.fill(polyline([(cx - 5.5, cy - 1.5), (cx, cy + 4), (cx + 5.5, cy - 1.5)], 3.2), ink)
    c.fill(segment(cx - 7, cy + 8, cx + 7, cy + 8, 2.6), ink)
    return c


def ghost_button(w, h, hover, icon=None, radius=None):
    """A quiet outlined pill for the secondary actions."""
    c = Canvas(w, h)
    radius = h / 2.0 if radius is None else radius
    shape = rrect(0.5, 0.5, w - 0.5, h - 0.5, radius)
    c.fill(shape, vertical(0, h, [(0.0, (1, 1, 1, 0.20 if hover else 0.10)), (1.0, (1, 1, 1, 0.12 if hover else 0.05))]))
    c.fill(shape.ring(1.0), (1, 1, 1, 0.55 if hover else 0.30))
    if icon:
        icon(c, hover)
    return c


def close_button(hover):
    c = Canvas(30, 30)
    shape = rrect(0.5, 0.5, 29.5, 29.5, 8)
    if hover:
        c.fill(shape, vertical(0, 30, [(0.0, rgb('#ff6b6b')), (1.0, rgb('#d83a4a'))]))
        c.fill(shape.ring(1.0), (1, 1, 1, 0.35))
    else:
        c.fill(shape, (1, 1, 1, 0.08))
        c.fill(shape.ring(1.0), (1, 1, 1, 0.22))
    ink = WHITE if hover else (1, 1, 1, 0.85)
    c.fill(segment(10, 10, 20, 20, 2.2).union(segment(20, 10, 10, 20, 2.2)), ink)
    return c


def small_play_button(hover):
    """The round play button of a game list row (the row gives it no text)."""
    s = 48
    c = Canvas(s, s + 4)
    cx, cy, r = s / 2.0, s / 2.0, 21.0
    if hover:
        c.fill(circle(cx, cy, r + 2), with_alpha(ORANGE, 0.45), feather=4)
    c.fill(circle(cx, cy + 3, r), (0.25, 0.08, 0.0, 0.30), feather=2.5)
    c.fill(circle(cx, cy, r), ORANGE_EDGE)
    top, bottom = (lighter(ORANGE_LIGHT, 0.15), lighter(ORANGE_DEEP, 0.1)) if hover else (ORANGE_LIGHT, ORANGE_DEEP)
    c.fill(circle(cx, cy - 1.5, r - 1.5), vertical(cy - r, cy + r, [(0.0, top), (1.0, bottom)]))
    c.fill(ellipse(cx, cy - r * 0.45, r * 0.72, r * 0.42), vertical(cy - r, cy, [(0.0, (1, 1, 1, 0.45)), (1.0, (1, 1, 1, 0.0))]))
    c.fill(triangle_right(cx + 1.5, cy - 1, 17, round_=2.0).moved(0, 1), (0.5, 0.16, 0.0, 0.3))
    c.fill(triangle_right(cx + 1.5, cy - 1, 17, round_=2.0), WHITE)
    return c


def badge(w, h, top, bottom):
    c = Canvas(w, h)
    shape = rrect(0, 0, w, h, h / 2.0)
    c.fill(shape, vertical(0, h, [(0.0, top), (1.0, bottom)]))
    c.fill(rrect(2, 1, w - 2, h / 2.0, h / 4.0), (1, 1, 1, 0.18))
    return c


# --------------------------------------------------------------------------
# icons


def icon_more():
    c = Canvas(16, 16)
    c.fill(circle(8, 8, 7.5).ring(1.3), (1, 1, 1, 0.75))
    c.fill(chevron(8.6, 8, 6, 1.6), WHITE)
    return c


def icon_more_hover():
    c = Canvas(16, 16)
    c.fill(circle(8, 8, 7.5), ORANGE)
    c.fill(chevron(8.6, 8, 6, 1.6), WHITE)
    return c


def icon_globe(color):
    c = Canvas(16, 16)
    c.fill(circle(8, 8, 6.6).ring(1.3), color)
    c.fill(ellipse(8, 8, 2.9, 6.6).ring(1.2), color)
    c.fill(segment(2, 8, 14, 8, 1.2), color)
    return c


def icon_wait():
    """Signal arcs with a small clock-ish dot: waiting for the connection."""
    c = Canvas(18, 16)
    ink = rgb('#ffc766')
    cx, cy = 9, 13
    for r in (4.5, 8.0, 11.5):
        c.fill(arc(cx, cy, r, 1.9, -math.pi * 0.75, -math.pi * 0.25), ink)
    c.fill(circle(cx, cy, 1.8), ink)
    return c


def icon_grid(canvas, x, y, s):
    """Four little game tiles: the "Мои игры" sign."""
    colours = [(rgb('#ffb347'), rgb('#f26b0f')), (rgb('#8ee05a'), rgb('#3ca82c')),
               (rgb('#6fb6ff'), rgb('#3a6cf0')), (rgb('#ff8ac2'), rgb('#d9487f'))]
    cell = s * 0.44
    gap = s - 2 * cell
    k = 0
    for row in range(2):
        for col in range(2):
            cx0 = x + col * (cell + gap)
            cy0 = y + row * (cell + gap)
            top, bottom = colours[k]
            k += 1
            canvas.fill(rrect(cx0, cy0 + 2, cx0 + cell, cy0 + cell + 2, cell * 0.28), (0, 0, 0, 0.3), feather=2)
            canvas.fill(rrect(cx0, cy0, cx0 + cell, cy0 + cell, cell * 0.28), vertical(cy0, cy0 + cell, [(0.0, top), (1.0, bottom)]))
            canvas.fill(rrect(cx0 + 2, cy0 + 1.5, cx0 + cell - 2, cy0 + cell * 0.45, cell * 0.18), (1, 1, 1, 0.25))
    # a white play mark on the first tile
    canvas.fill(triangle_right(x + cell / 2 + 0.5, y + cell / 2, cell * 0.42, round_=0.8), WHITE)


def gift(canvas, cx, cy, s):
    """A present with a bow and sparkles: "new games soon"."""
    canvas.fill(circle(cx, cy, s * 1.15), radial(cx, cy, s * 1.15, [(0.0, rgb('#ff9bd5', 0.42)), (0.55, rgb('#b65cff', 0.16)), (1.0, rgb('#b65cff', 0.0))]))
    bw, bh = s * 0.95, s * 0.62
    bx0, by0 = cx - bw / 2, cy - bh * 0.12
    canvas.fill(rrect(bx0 + 4, by0 + 10, bx0 + bw - 4, by0 + bh + 10, 10), (0.02, 0.0, 0.08, 0.5), feather=9)
    body = rrect(bx0, by0, bx0 + bw, by0 + bh, 9)
    canvas.fill(body, vertical(by0, by0 + bh, [(0.0, rgb('#8a5cff')), (1.0, rgb('#5b2fd0'))]))
    lw, lh = bw * 1.1, s * 0.2
    lx0, ly0 = cx - lw / 2, by0 - lh + 4
    canvas.fill(rrect(lx0, ly0 + 4, lx0 + lw, ly0 + lh + 4, 8), (0.1, 0.0, 0.2, 0.35), feather=3)
    lid = rrect(lx0, ly0, lx0 + lw, ly0 + lh, 8)
    canvas.fill(lid, vertical(ly0, ly0 + lh, [(0.0, rgb('#a97dff')), (1.0, rgb('#7446e8'))]))
    canvas.fill(rrect(lx0 + 4, ly0 + 2, lx0 + lw - 4, ly0 + lh * 0.5, 5), (1, 1, 1, 0.22))
    rib = s * 0.16
    gold = vertical(ly0, by0 + bh, [(0.0, rgb('#ffe08a')), (1.0, rgb('#ffac2e'))])
    canvas.fill(box(cx - rib / 2, by0, cx + rib / 2, by0 + bh).within(body), gold)
    canvas.fill(box(cx - rib / 2, ly0, cx + rib / 2, ly0 + lh).within(lid), gold)
    # bow
    bowc = rgb('#ffc447')
    for side in (-1, 1):
        loop = ellipse(cx + side * s * 0.17, ly0 - s * 0.09, s * 0.19, s * 0.11, side * -0.5)
        canvas.fill(loop, vertical(ly0 - s * 0.25, ly0, [(0.0, rgb('#ffe7a0')), (1.0, bowc)]))
        canvas.fill(ellipse(cx + side * s * 0.17, ly0 - s * 0.09, s * 0.09, s * 0.04, side * -0.5), (0.75, 0.4, 0.0, 0.45))
    canvas.fill(circle(cx, ly0 - s * 0.04, s * 0.075), rgb('#ffb02e'))
    canvas.fill(circle(cx - s * 0.02, ly0 - s * 0.06, s * 0.03), (1, 1, 1, 0.55))
    # sparkles
    for (dx, dy, r, c) in ((-0.78, -0.55, 0.13, rgb('#ffe08a')), (0.8, -0.35, 0.1, WHITE), (0.66, 0.55, 0.08, rgb('#ff9bd5')),
                           (-0.7, 0.35, 0.07, WHITE), (0.25, -0.85, 0.06, rgb('#9fd8ff'))):
        x, y = cx + dx * s, cy + dy * s
        canvas.fill(circle(x, y, r * s * 1.6), radial(x, y, r * s * 1.6, [(0.0, with_alpha(c, 0.4)), (1.0, with_alpha(c, 0.0))]))
        canvas.fill(sparkle(x, y, r * s), c)


# --------------------------------------------------------------------------
# screens


def main_background(slot=True):
    c = Canvas(W, H)
    sky(c, 20240611, keep_out=(PANEL, TILE, PLAY_AREA))
    # a warm glow behind the game's name and the play button
    c.fill(box(0, HEADER_H, 380, FOOTER_Y), radial(150, 240, 250, [(0.0, rgb('#ff7a3c', 0.13)), (1.0, rgb('#ff7a3c', 0.0))], 190))
    header_and_footer(c)
    glass_panel(c, PANEL)
    if slot:
        picture_slot(c, SLOT)
    # "Мои игры" tile on the left
    x0, y0, x1, y1 = TILE
    glass_panel(c, TILE, radius=12, strength=0.85)
    icon_grid(c, x0 + 18, y0 + 17, 38)
    c.fill(chevron(x1 - 24, (y0 + y1) / 2.0, 12, 2.4), (1, 1, 1, 0.55))
    return c


def list_background():
    c = Canvas(W, H)
    sky(c, 19970305, keep_out=(CARD,))
    header_and_footer(c)
    x0, y0, x1, y1 = CARD
    c.fill(rrect(x0, y0 + 8, x1, y1 + 8, 16), (0.02, 0.0, 0.07, 0.6), feather=14)
    c.fill(rrect(x0, y0, x1, y1, 16), vertical(y0, y1, [(0.0, rgb('#f7f4ff')), (1.0, rgb('#ebe5fb'))]))
    c.fill(rrect(x0, y0, x1, y1, 16).ring(1.0), (1, 1, 1, 0.7))
    return c


def list_row(hover):
    """A game list row: white card, 632 x 88 plus shadow."""
    w, h = 632, 88
    c = Canvas(w, h + 4)
    shape = rrect(0.5, 0.5, w - 0.5, h - 0.5, 12)
    c.fill(rrect(2, 3, w - 2, h + 2, 12), (0.25, 0.15, 0.5, 0.16 if hover else 0.10), feather=2.5)
    c.fill(shape, vertical(0, h, [(0.0, WHITE), (1.0, rgb('#fbfaff') if not hover else rgb('#f6f0ff'))]))
    c.fill(shape.ring(1.0), rgb('#b996ff') if hover else rgb('#e2dbf3'))
    if hover:
        c.fill(rrect(0.5, 14, 4.5, h - 14, 2), vertical(14, h - 14, [(0.0, ORANGE_LIGHT), (1.0, ORANGE_DEEP)]))
    return c


def thumb_frame():
    """The frame around a 100 x 75 thumbnail: 106 x 81."""
    c = Canvas(106, 81)
    c.fill(rrect(0, 1, 106, 81, 7), (0.2, 0.1, 0.45, 0.25), feather=1.0)
    c.fill(rrect(0, 0, 106, 80, 7), vertical(0, 80, [(0.0, rgb('#ffffff')), (1.0, rgb('#e9e2fb'))]))
    c.fill(rrect(0, 0, 106, 80, 7).ring(1.0), rgb('#d3c8f0'))
    return c


def corner_mask(background, rect, radius, line=(1, 1, 1, 0.18)):
    """A picture the size of `rect`: the background outside a rounded rect,
    clear inside, and a faint rim; laid over a square remote picture, it
    rounds the picture's corners."""
    x0, y0, x1, y1 = rect
    w, h = x1 - x0, y1 - y0
    out = background.crop(x0, y0, w, h)
    out.fill(rrect(0, 0, w, h, radius), None, erase=True)
    out.fill(rrect(0, 0, w, h, radius).ring(1.0), line)
    return out


def panel_cover(background):
    """The promotion panel cut out of the main background, opaque: the
    placeholder and the advert lie on it and hide what is beneath."""
    x0, y0, x1, y1 = PANEL
    return background.crop(x0 - 8, y0 - 8, x1 - x0 + 16, y1 - y0 + 16)


def progress_cap(background):
    """Lies over the <progress> bar: rounds its ends against the panel and
    adds a gloss line."""
    x0, y0, x1, y1 = PROGRESS
    w, h = x1 - x0, y1 - y0
    out = background.crop(x0, y0, w, h)
    inner = rrect(0, 0, w, h, h / 2.0)
    out.fill(inner, None, erase=True)
    out.fill(rrect(3, 2, w - 3, h / 2.0, h / 4.0), (1, 1, 1, 0.28))
    out.fill(inner.ring(1.0), (0.0, 0.0, 0.0, 0.25))
    return out


# --------------------------------------------------------------------------
# thumbnails (drawn at twice the size, then shrunk)


def thumb_default():
    s = 2
    c = Canvas(100 * s, 75 * s)
    w, h = c.w, c.h
    every = c.everywhere()
    c.fill(every, linear(0, 0, w, h, [(0.0, rgb('#2a1b6e')), (1.0, rgb('#6a35c2'))]))
    c.fill(every, radial(w * 0.5, h * 0.55, w * 0.55, [(0.0, rgb('#ff9a4a', 0.38)), (1.0, rgb('#ff9a4a', 0.0))], h * 0.6))
    rnd = Random(77)
    for _ in range(26):
        x, y = rnd.range(0, w), rnd.range(0, h)
        c.fill(circle(x, y, rnd.range(0.8, 2.0)), (1, 1, 1, rnd.range(0.3, 0.8)))
    # a game pad
    cx, cy = w * 0.5, h * 0.54
    pad = rrect(cx - 58, cy - 26, cx + 58, cy + 18, 22)
    pad = pad.union(circle(cx - 40, cy + 14, 22)).union(circle(cx + 40, cy + 14, 22))
    c.fill(pad.moved(0, 7), (0.05, 0.0, 0.12, 0.5), feather=6)
    c.fill(pad, vertical(cy - 26, cy + 36, [(0.0, ORANGE_LIGHT), (1.0, ORANGE_DEEP)]))
    c.fill(rrect(cx - 50, cy - 23, cx + 50, cy - 4, 12), (1, 1, 1, 0.25))
    c.fill(pad.ring(2.0), with_alpha(ORANGE_EDGE, 0.6))
    # cross on the left, four buttons on the right
    dx, dy = cx - 36, cy - 2
    c.fill(rrect(dx - 14, dy - 5, dx + 14, dy + 5, 2.5).union(rrect(dx - 5, dy - 14, dx + 5, dy + 14, 2.5)), rgb('#5a2a0a', 0.85))
    bx, by = cx + 36, cy - 2
    for (ox, oy, col) in ((0, -11, rgb('#8ee05a')), (11, 0, rgb('#ff5f6d')), (0, 11, rgb('#6fb6ff')), (-11, 0, rgb('#ffe066'))):
        c.fill(circle(bx + ox, by + oy + 1.2, 5.0), (0.35, 0.1, 0.0, 0.5))
        c.fill(circle(bx + ox, by + oy, 5.0), col)
        c.fill(circle(bx + ox - 1.4, by + oy - 1.6, 1.6), (1, 1, 1, 0.6))
    c.fill(rrect(cx - 10, cy - 6, cx - 2, cy - 2, 2), (0.45, 0.18, 0.0, 0.6))
    c.fill(rrect(cx + 2, cy - 6, cx + 10, cy - 2, 2), (0.45, 0.18, 0.0, 0.6))
    for (x, y, r) in ((w * 0.14, h * 0.2, 9), (w * 0.86, h * 0.18, 7), (w * 0.88, h * 0.82, 6)):
        c.fill(sparkle(x, y, r), rgb('#ffe8a8'))
    return c.shrunk(s)


def flower(c, x, y, r, petal, centre, stem_h, rnd):
    if stem_h:
        c.fill(segment(x, y, x + rnd.range(-3, 3), y + stem_h, r * 0.28), rgb('#2f8f3a'))
        c.fill(ellipse(x + r * 0.9, y + stem_h * 0.55, r * 0.75, r * 0.32, -0.5), rgb('#3fae45'))
    for k in range(5):
        a = -math.pi / 2 + k * 2 * math.pi / 5
        px, py = x + math.cos(a) * r * 0.62, y + math.sin(a) * r * 0.62
        c.fill(ellipse(px, py, r * 0.58, r * 0.42, a), radial(px, py, r * 0.6, [(0.0, lighter(petal, 0.35)), (1.0, petal)]))
    c.fill(circle(x, y, r * 0.36), radial(x - r * 0.1, y - r * 0.1, r * 0.4, [(0.0, rgb('#fff3a0')), (1.0, centre)]))


def thumb_magic_garden():
    s = 2
    c = Canvas(100 * s, 75 * s)
    w, h = c.w, c.h
    every = c.everywhere()
    c.fill(every, vertical(0, h, [(0.0, rgb('#3b2a8c')), (0.45, rgb('#b85cc4')), (0.75, rgb('#ffb08a')), (1.0, rgb('#ffd59a'))]))
    # moon and glow
    mx, my = w * 0.76, h * 0.22
    c.fill(circle(mx, my, 40), radial(mx, my, 40, [(0.0, (1, 0.95, 0.8, 0.55)), (1.0, (1, 0.9, 0.8, 0.0))]))
    c.fill(circle(mx, my, 13).minus(circle(mx + 6, my - 4, 11)), rgb('#fff6d6'))
    rnd = Random(5)
    for _ in range(14):
        x, y = rnd.range(0, w), rnd.range(0, h * 0.4)
        c.fill(circle(x, y, rnd.range(0.6, 1.4)), (1, 1, 1, rnd.range(0.4, 0.9)))
    # hills
    c.fill(circle(w * 0.15, h * 1.55, h * 0.95), vertical(h * 0.6, h, [(0.0, rgb('#2f7f74')), (1.0, rgb('#1f5a55'))]))
    c.fill(circle(w * 0.95, h * 1.7, h * 1.05), vertical(h * 0.6, h, [(0.0, rgb('#3a8f6a')), (1.0, rgb('#246348'))]))
    c.fill(circle(w * 0.5, h * 2.15, h * 1.38), vertical(h * 0.75, h, [(0.0, rgb('#5cc25a')), (1.0, rgb('#2f8f3a'))]))
    c.fill(circle(w * 0.5, h * 2.15, h * 1.38).ring(3), (1, 1, 0.7, 0.25))
    # a little magic tree on the far hill
    tx, ty = w * 0.2, h * 0.6
    c.fill(segment(tx, ty, tx, ty + 22, 5), rgb('#4a2e3a'))
    c.fill(circle(tx, ty - 4, 15).union(circle(tx - 11, ty + 4, 10)).union(circle(tx + 11, ty + 4, 10)),
           radial(tx - 4, ty - 8, 24, [(0.0, rgb('#b7f27a')), (1.0, rgb('#3fa84a'))]))
    for (ox, oy) in ((-6, -8), (7, -2), (-10, 6), (4, 8)):
        c.fill(circle(tx + ox, ty + oy, 2.2), rgb('#ff7bb8'))
    # flowers
    flower(c, w * 0.38, h * 0.74, 13, rgb('#ff6fae'), rgb('#ffb300'), 28, rnd)
    flower(c, w * 0.62, h * 0.8, 11, rgb('#b47bff'), rgb('#ffb300'), 24, rnd)
    flower(c, w * 0.84, h * 0.72, 12, rgb('#ffd23f'), rgb('#ff8a1f'), 30, rnd)
    flower(c, w * 0.14, h * 0.9, 9, rgb('#ff8a8a'), rgb('#ffb300'), 0, rnd)
    # fireflies
    for (x, y, r) in ((w * 0.5, h * 0.45, 7), (w * 0.3, h * 0.35, 5), (w * 0.66, h * 0.55, 5), (w * 0.9, h * 0.48, 4)):
        c.fill(circle(x, y, r * 2.4), radial(x, y, r * 2.4, [(0.0, (1, 1, 0.6, 0.65)), (1.0, (1, 1, 0.6, 0.0))]))
        c.fill(sparkle(x, y, r), rgb('#fffbe0'))
    return c.shrunk(s)


def bubble(c, x, y, r, colour):
    c.fill(circle(x, y + r * 0.12, r), (0.0, 0.0, 0.1, 0.35), feather=r * 0.15)
    c.fill(circle(x, y, r), radial(x - r * 0.35, y - r * 0.4, r * 1.5,
                                   [(0.0, lighter(colour, 0.55)), (0.45, colour), (1.0, darker(colour, 0.45))]))
    c.fill(ellipse(x - r * 0.3, y - r * 0.45, r * 0.42, r * 0.24, -0.5), (1, 1, 1, 0.7))
    c.fill(circle(x + r * 0.42, y + r * 0.4, r * 0.12), (1, 1, 1, 0.35))


def thumb_star_bubbles():
    s = 2
    c = Canvas(100 * s, 75 * s)
    w, h = c.w, c.h
    every = c.everywhere()
    c.fill(every, vertical(0, h, [(0.0, rgb('#070d33')), (1.0, rgb('#1b2a7a'))]))
    c.fill(every, radial(w * 0.3, h * 0.3, w * 0.5, [(0.0, rgb('#c03fd0', 0.45)), (1.0, rgb('#c03fd0', 0.0))], h * 0.45))
    c.fill(every, radial(w * 0.8, h * 0.6, w * 0.4, [(0.0, rgb('#2fa8ff', 0.35)), (1.0, rgb('#2fa8ff', 0.0))], h * 0.5))
    rnd = Random(303)
    for _ in range(40):
        x, y = rnd.range(0, w), rnd.range(0, h)
        c.fill(circle(x, y, rnd.range(0.6, 1.6)), (1, 1, 1, rnd.range(0.35, 0.95)))
    # the golden star
    sx, sy = w * 0.5, h * 0.3
    c.fill(circle(sx, sy, 36), radial(sx, sy, 36, [(0.0, (1, 0.85, 0.3, 0.6)), (1.0, (1, 0.85, 0.3, 0.0))]))
    c.fill(star(sx, sy + 2, 24, 10.5, round_=2.5), (0.4, 0.2, 0.0, 0.4), feather=2)
    c.fill(star(sx, sy, 24, 10.5, round_=2.5), radial(sx - 6, sy - 8, 30, [(0.0, rgb('#fff6b0')), (0.6, rgb('#ffcc33')), (1.0, rgb('#f08a00'))]))
    c.fill(ellipse(sx - 5, sy - 6, 5, 2.6, -0.6), (1, 1, 1, 0.6))
    # bubbles
    palette = [rgb('#ff4f6a'), rgb('#ffd23f'), rgb('#47d16b'), rgb('#3f8cff'), rgb('#b25cff'), rgb('#ff8a1f')]
    r = 15.5
    rows = [(h - 8, 0.0, 7), (h - 8 - r * 1.72, r, 6)]
    k = 0
    order = [0, 3, 1, 4, 2, 5, 3, 1, 0, 4, 2, 5, 1]
    for (y, offset, count) in rows:
        for i in range(count):
            x = 14 + offset + i * r * 2.0
            bubble(c, x, y, r - 0.5, palette[order[k % len(order)]])
            k += 1
    bubble(c, w * 0.18, h * 0.26, 11, palette[3])
    bubble(c, w * 0.85, h * 0.22, 12, palette[0])
    bubble(c, w * 0.72, h * 0.5, 9, palette[1])
    for (x, y, rr) in ((w * 0.28, h * 0.1, 5), (w * 0.93, h * 0.45, 4), (w * 0.08, h * 0.5, 4)):
        c.fill(sparkle(x, y, rr), WHITE)
    return c.shrunk(s)


# --------------------------------------------------------------------------
# the news pop-up: a small skinned window of the program itself, so its
# pictures are 8-bit BMPs for the .rc, not PNGs for the HTML screens

POPUP = os.path.join(ROOT, 'resources', 'popup')
POPUP_W, POPUP_H = 250, 200
POPUP_RADIUS = 11
# The window shows nothing of the background where it is exactly this colour.
KEY = (255, 0, 0)
CAPTION_H = 28                      # y 0..27: the caption the window is dragged by
CLOSE_SPOT = (234.0, 14.0, 8.0)     # centre and radius of the circle that closes it
CLOSE_BOX = (220, 0, 250, 29)       # the highlight changes nothing outside this box
POPUP_CARD = (5, 33, 245, 195)      # the light card behind the message
PAIR_SIZE = (114, 57)
PAIR_AT = ((10, 130), (125, 130))   # the two buttons, one picture for both
WIDE_SIZE = (228, 56)
WIDE_AT = (11, 130)
BAND = (10, 130, 240, 188)          # under the buttons: alike in every column
CAPTION_TEXT = (8, 4, 101, 25)      # the program's name in the caption
MESSAGE_TEXT = (12, 39, 238, 189)   # the message, when no button is shown
# The button faces inside their pictures (x0, y0, x1, y1); centred, because
# the program centres the labels in the whole picture.
PAIR_FACE = (8, 10, 106, 47)
WIDE_FACE = (8, 9, 220, 47)

POPUP_RIM = rgb('#3a2672')
CAPTION_TOP = rgb('#ebe4fe')
CAPTION_BOTTOM = rgb('#cbbcf5')
CAPTION_LINE = rgb('#ab98e6')
POPUP_FRAME = rgb('#e6dffa')
CARD_TOP = rgb('#ffffff')
CARD_BOTTOM = rgb('#f3effd')
CARD_LINE = rgb('#d4c9f2')
CLOSE_INK = rgb('#6a57b0')
CLOSE_HOT_TOP = rgb('#ff8d5a')
CLOSE_HOT_BOTTOM = rgb('#e04a2e')
PAIR_TOP = rgb('#7dd64c')
PAIR_BOTTOM = rgb('#3aa52a')
WIDE_TOP = ORANGE_LIGHT
WIDE_BOTTOM = ORANGE_DEEP


POPUP_OUTLINE = rrect(0, 0, POPUP_W, POPUP_H, POPUP_RADIUS)


def popup_inside(x, y):
    """Whether pixel (x, y) belongs to the window; the rest is KEY. A hard
    edge: the colour key knows no half-transparent pixels."""
    return POPUP_OUTLINE.sdf(x + 0.5, y + 0.5) < 0.0


def close_mark(canvas, hot):
    """An x in a circle filling the close spot; hot: lit up, under the pointer."""
    cx, cy, r = CLOSE_SPOT
    spot = circle(cx, cy, r - 0.5)
    cross = segment(cx - 3.2, cy - 3.2, cx + 3.2, cy + 3.2, 2.0).union(segment(cx + 3.2, cy - 3.2, cx - 3.2, cy + 3.2, 2.0))
    if hot:
        canvas.fill(circle(cx, cy, r + 1.0), with_alpha(CLOSE_HOT_TOP, 0.45), feather=2.0)
        canvas.fill(spot, vertical(cy - r, cy + r, [(0.0, CLOSE_HOT_TOP), (1.0, CLOSE_HOT_BOTTOM)]))
        canvas.fill(ellipse(cx, cy - r * 0.45, r * 0.62, r * 0.36), (1, 1, 1, 0.28))
        canvas.fill(spot.ring(1.0), with_alpha(darker(CLOSE_HOT_BOTTOM, 0.3), 0.8))
        canvas.fill(cross.moved(0, 0.6), with_alpha(darker(CLOSE_HOT_BOTTOM, 0.45), 0.35))
        canvas.fill(cross, WHITE)
    else:
        canvas.fill(spot, (1, 1, 1, 0.55))
        canvas.fill(spot.ring(1.2), with_alpha(CLOSE_INK, 0.7))
        canvas.fill(cross, CLOSE_INK)


def popup_background(hot=False):
    """The window, 250 x 200: a lilac caption, a white card for the message,
    a dark rim; KEY outside the rounded outline is applied on output."""
    w, h = POPUP_W, POPUP_H
    c = Canvas(w, h, POPUP_FRAME)
    # caption: a lilac strip with a glassy top line and a sharp lower edge
    c.fill(box(0, 0, w, CAPTION_H), vertical(0, CAPTION_H, [(0.0, CAPTION_TOP), (1.0, CAPTION_BOTTOM)]))
    c.fill(box(0, 1, w, 2), (1, 1, 1, 0.8))
    c.fill(box(0, CAPTION_H - 1, w, CAPTION_H), CAPTION_LINE)
    c.fill(box(0, CAPTION_H, w, CAPTION_H + 1), (1, 1, 1, 0.75))
    # a few stars of the product's night sky right of the program's caption,
    # drawn four times as big and shrunk: at their size the rays are thinner
    # than a pixel
    k, sx, sy = 4, 108, 2
    stars = Canvas(112 * k, 24 * k)
    for (x, y, r, col) in ((121, 17, 3.6, rgb('#9a84ea')), (136, 8.5, 2.8, ORANGE), (154, 16, 5.6, rgb('#8369e4')),
                           (173, 8.5, 3.0, rgb('#a996ef')), (190, 17, 4.2, ORANGE), (207, 9.5, 3.0, rgb('#9a84ea'))):
        x, y, r = (x - sx) * k, (y - sy) * k, r * k
        stars.fill(circle(x, y, r * 1.3), radial(x, y, r * 1.3, [(0.0, (1, 1, 1, 0.8)), (1.0, (1, 1, 1, 0.0))]))
        stars.fill(sparkle(x, y, r, 0.2), col)
    for (x, y) in ((128, 21), (145, 5.5), (164, 22), (181, 5), (199, 22.5), (215, 18)):
        stars.fill(circle((x - sx) * k, (y - sy) * k, 0.75 * k), with_alpha(rgb('#8a70e6'), 0.45))
    c.draw(stars.shrunk(k), sx, sy)
    # the card
    x0, y0, x1, y1 = POPUP_CARD
    card = rrect(x0, y0, x1, y1, 8)
    c.fill(rrect(x0, y0 + 1, x1, y1 + 1, 8), (0.3, 0.2, 0.6, 0.10))
    c.fill(card, vertical(y0, y1, [(0.0, CARD_TOP), (1.0, CARD_BOTTOM)]))
    c.fill(card.ring(1.0), CARD_LINE)
    close_mark(c, hot)
    # the rim: everything but the inside, smooth only towards the inside
    c.fill(c.everywhere().minus(POPUP_OUTLINE.grown(-1.0)), POPUP_RIM)
    return c


def popup_button_layer(size, face, top, bottom, glow, hover):
    """A candy button face on a clear layer the size of its picture; the
    layer's alpha says where the button covers the background."""
    w, h = size
    x0, y0, x1, y1 = face
    radius = 11
    c = Canvas(w, h)
    if hover:
        c.fill(rrect(x0 - 1.5, y0 - 1, x1 + 1.5, y1 + 2, radius + 1.5), with_alpha(glow, 0.8), feather=4)
        top, bottom = lighter(top, 0.16), lighter(bottom, 0.1)
    c.fill(rrect(x0 + 3, y0 + 4, x1 - 3, y1 + 3, radius), (0.25, 0.12, 0.45, 0.30), feather=3)
    lip = 3
    c.fill(rrect(x0, y0, x1, y1, radius), darker(bottom, 0.22))
    face_shape = rrect(x0, y0, x1, y1 - lip, radius)
    c.fill(face_shape, vertical(y0, y1 - lip, [(0.0, top), (1.0, bottom)]))
    gh = (y1 - lip - y0) * 0.48
    c.fill(rrect(x0 + 4, y0 + 2.5, x1 - 4, y0 + 2.5 + gh, radius - 3),
           vertical(y0 + 2.5, y0 + 2.5 + gh, [(0.0, (1, 1, 1, 0.45 if hover else 0.38)), (1.0, (1, 1, 1, 0.05))]))
    c.fill(face_shape.ring(1.2), vertical(y0, y1, [(0.0, (1, 1, 1, 0.6)), (0.35, (1, 1, 1, 0.0)), (1.0, (1, 1, 1, 0.0))]))
    c.fill(rrect(x0, y0, x1, y1, radius).ring(1.0), with_alpha(darker(bottom, 0.42), 0.8))
    return c


# -- 8-bit output


def rgb8_pixels(canvas):
    """(r, g, b) bytes of an opaque canvas, rounded; dithering, where it is
    needed, comes with the palette."""
    out = []
    for i in range(canvas.w * canvas.h):
        a = canvas.a[i]
        if a <= 0.0:
            out.append((0, 0, 0))
            continue
        out.append(tuple(min(255, int(clamp01(v / a) * 255.0 + 0.5)) for v in (canvas.r[i], canvas.g[i], canvas.b[i])))
    return out


def median_cut(colours, n):
    """n colours for [(rgb, count), ...]: the box with the widest spread
    (weighted by its pixels) is split at its median until there are n."""
    def measure(b):
        spans = [max(c[0][k] for c in b) - min(c[0][k] for c in b) for k in range(3)]
        k = spans.index(max(spans))
        pixels = sum(c[1] for c in b)
        return (spans[k] * math.sqrt(pixels) if len(b) > 1 else -1.0), k
    boxes = [sorted(colours)]
    scores = [measure(boxes[0])]
    while len(boxes) < n:
        best = max(range(len(boxes)), key=lambda i: (scores[i][0], -i))
        if scores[best][0] <= 0.0:
            break
        b = boxes.pop(best)
        k = scores.pop(best)[1]
        b.sort(key=lambda c: (c[0][k], c[0]))
        half = sum(c[1] for c in b) / 2.0
        run, m = 0, 1
        for m in range(1, len(b)):
            run += b[m - 1][1]
            if run >= half:
                break
        for part in (b[:m], b[m:]):
            boxes.append(part)
            scores.append(measure(part))
    out = []
    for b in boxes:
        total = float(sum(c[1] for c in b))
        out.append(tuple(int(sum(c[0][k] * c[1] for c in b) / total + 0.5) for k in range(3)))
    return out


def popup_palette(pictures, keep=(), key=False):
    """One palette for the pixel lists in `pictures`. The colour key first
    (if asked), then, exactly, the colours in `keep` and every colour common
    enough to be a flat area or a row of a gradient, so that those map to
    themselves without dithering (at most 176 of them); median cut shares
    the rest."""
    counts = {}
    for pixels in pictures:
        for p in pixels:
            counts[p] = counts.get(p, 0) + 1
    entries = [KEY] if key else []
    counts.pop(KEY, None)
    for p in sorted(set(keep)):
        if p not in entries:
            entries.append(p)
    check(len(entries) <= 256, 'more colours must stay exact than a palette holds')
    taken = set(entries)
    common = sorted((p for p, n in counts.items() if n >= 12 and p not in taken), key=lambda p: (-counts[p], p))
    entries += common[:max(0, 176 - len(entries))]
    taken = set(entries)
    rest = [(p, n) for p, n in counts.items() if p not in taken]
    room = 256 - len(entries)
    for p in (sorted(p for p, n in rest) if len(rest) <= room else median_cut(rest, room)):
        if p not in taken:
            entries.append(p)
            taken.add(p)
    return entries


def popup_indices(pixels, w, h, palette):
    """Palette indices: exact colours as they are, the others through a
    light ordered dither to the nearest entry (never to the key)."""
    exact = {}
    for i, p in enumerate(palette):
        exact.setdefault(p, i)
    choices = [(i, p) for i, p in enumerate(palette) if p != KEY]
    cache = {}

    def nearest(q):
        j = cache.get(q)
        if j is None:
            best = None
            for i, p in choices:
                dr, dg, db = p[0] - q[0], p[1] - q[1], p[2] - q[2]
                d = 2 * dr * dr + 4 * dg * dg + 3 * db * db
                if best is None or d < best:
                    best, j = d, i
            cache[q] = j
        return j

    bayer = Canvas._BAYER
    out = bytearray(w * h)
    for y in range(h):
        for x in range(w):
            i = y * w + x
            p = pixels[i]
            j = exact.get(p)
            if j is None:
                t = ((bayer[(y & 3) * 4 + (x & 3)] + 0.5) / 16.0 - 0.5) * 6.0
                j = nearest(tuple(min(255, max(0, int(v + t + 0.5))) for v in p))
            out[i] = j
    return out


def bmp8_bytes(w, h, palette, indices):
    """A Windows BMP: BITMAPINFOHEADER, 8 bits, BI_RGB, 256 RGBQUADs, rows
    bottom-up and padded to 4 bytes."""
    stride = (w + 3) & ~3
    bits = bytearray()
    for y in range(h - 1, -1, -1):
        bits += indices[y * w:(y + 1) * w] + bytes(stride - w)
    colours = bytearray()
    for i in range(256):
        r, g, b = palette[i] if i < len(palette) else (0, 0, 0)
        colours += bytes((b, g, r, 0))
    offset = 14 + 40 + len(colours)
    return (struct.pack('<2sIHHI', b'BM', offset + len(bits), 0, 0, offset) +
            struct.pack('<IiiHHIIiiII', 40, w, h, 1, 8, 0, len(bits), 2835, 2835, 256, 0) +
            bytes(colours) + bytes(bits))


def read_bmp8(path):
    """(w, h, palette, rgb pixels top-down) of a BMP written by bmp8_bytes;
    fails on anything else."""
    with open(path, 'rb') as f:
        data = f.read()
    magic, size, _, _, offset = struct.unpack_from('<2sIHHI', data, 0)
    head, w, h, planes, bpp, compression, _, _, _, used, _ = struct.unpack_from('<IiiHHIIiiII', data, 14)
    check(magic == b'BM' and size == len(data) and head == 40 and planes == 1, path + ': not a plain BMP')
    check(bpp == 8 and compression == 0 and used == 256 and offset == 14 + 40 + 1024 and h > 0,
          path + ': not 8 bits, uncompressed, bottom-up with 256 colours')
    palette = [(data[54 + 4 * i + 2], data[54 + 4 * i + 1], data[54 + 4 * i]) for i in range(256)]
    stride = (w + 3) & ~3
    check(size == offset + stride * h, path + ': wrong size')
    pixels = []
    for y in range(h):
        row = offset + (h - 1 - y) * stride
        pixels += [palette[k] for k in data[row:row + w]]
    return w, h, palette, pixels


def check(ok, message):
    if not ok:
        raise SystemExit('make_art: ' + message)


def save_bmp8(path, w, h, palette, indices):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(bmp8_bytes(w, h, palette, indices))
    print('wrote', os.path.relpath(path, ROOT))


def popup_pictures():
    """resources/popup/*.bmp, then reads them back and checks what the
    program relies on: the colour key, the close spot, no seams around the
    buttons."""
    plain = popup_background()
    hot = popup_background(hot=True)
    w, h = POPUP_W, POPUP_H
    inside = [popup_inside(x, y) for y in range(h) for x in range(w)]
    backs = []
    for canvas in (plain, hot):
        pixels = rgb8_pixels(canvas)
        check(KEY not in pixels, 'the pop-up is drawn with the key colour')
        backs.append([p if inside[i] else KEY for i, p in enumerate(pixels)])
    # the band under the buttons: its colours must come out exactly, in the
    # background and in every button picture
    bx0, by0, bx1, by1 = BAND
    band = set(backs[0][y * w + x] for y in range(by0, by1) for x in range(bx0, bx1))
    # one palette for both, so that they are the same outside the close spot
    palette = popup_palette(backs, keep=band, key=True)
    for name, pixels in zip(('popup_back.bmp', 'popup_back_close.bmp'), backs):
        save_bmp8(os.path.join(POPUP, name), w, h, palette, popup_indices(pixels, w, h, palette))

    buttons = []
    for hover in (False, True):
        suffix = '_hover' if hover else ''
        buttons.append(('popup_button%s.bmp' % suffix, PAIR_AT, PAIR_SIZE,
                        popup_button_layer(PAIR_SIZE, PAIR_FACE, PAIR_TOP, PAIR_BOTTOM, GREEN_LIGHT, hover)))
        buttons.append(('popup_wide%s.bmp' % suffix, (WIDE_AT,), WIDE_SIZE,
                        popup_button_layer(WIDE_SIZE, WIDE_FACE, WIDE_TOP, WIDE_BOTTOM, ORANGE, hover)))
    for name, places, (bw, bh), layer in buttons:
        x, y = places[0]
        picture = plain.crop(x, y, bw, bh)
        picture.draw(layer, 0, 0)
        pixels = rgb8_pixels(picture)
        bare = [pixels[i] for i in range(bw * bh) if layer.a[i] <= 0.0]
        palette = popup_palette([pixels], keep=bare)
        save_bmp8(os.path.join(POPUP, name), bw, bh, palette, popup_indices(pixels, bw, bh, palette))

    check_popup(buttons)


def check_popup(buttons):
    """Reads the pictures back as the program would see them."""
    w, h = POPUP_W, POPUP_H
    back = {}
    for name in ('popup_back.bmp', 'popup_back_close.bmp'):
        bw, bh, palette, pixels = read_bmp8(os.path.join(POPUP, name))
        check((bw, bh) == (w, h), name + ': not %d x %d' % (w, h))
        check(palette.count(KEY) == 1, name + ': the key colour must be in the palette once')
        check(all(p == KEY or sum(abs(p[k] - KEY[k]) for k in range(3)) > 96 for p in palette),
              name + ': a palette colour too close to the key')
        r = POPUP_RADIUS
        for y in range(h):
            for x in range(w):
                p = pixels[y * w + x]
                out = not popup_inside(x, y)
                check((p == KEY) == out, name + ': key colour wrong at (%d, %d)' % (x, y))
                if out:
                    check((x < r or x >= w - r) and (y < r or y >= h - r), name + ': key outside the corners')
                    for (nx, ny) in ((x - 1, y), (x + 1, y), (x, y - 1), (x, y + 1)):
                        if 0 <= nx < w and 0 <= ny < h and popup_inside(nx, ny):
                            q = pixels[ny * w + nx]
                            check(q[0] - max(q[1], q[2]) < 48, name + ': reddish pixel next to the key')
        for (x, y) in ((0, 0), (w - 1, 0), (0, h - 1), (w - 1, h - 1)):
            check(pixels[y * w + x] == KEY, name + ': corner not cut')
        back[name] = pixels
    x0, y0, x1, y1 = CLOSE_BOX
    plain, hot = back['popup_back.bmp'], back['popup_back_close.bmp']
    # the program writes dark blue on these: the caption's own name and the message
    for (tx0, ty0, tx1, ty1) in (CAPTION_TEXT, MESSAGE_TEXT):
        check(all(0.2126 * p[0] + 0.7152 * p[1] + 0.0722 * p[2] >= 180.0
                  for p in (plain[y * w + x] for y in range(ty0, ty1) for x in range(tx0, tx1))),
              'too dark behind the text at (%d, %d)..(%d, %d)' % (tx0, ty0, tx1, ty1))
    check(all(plain[y * w + x] == hot[y * w + x] for y in range(h) for x in range(w)
              if not (x0 <= x < x1 and y0 <= y < y1)), 'the close highlight reaches outside its box')
    check(any(plain[i] != hot[i] for i in range(w * h)), 'the close highlight shows nothing')
    bx0, by0, bx1, by1 = BAND
    check(all(plain[y * w + x] == plain[y * w + bx0] for y in range(by0, by1) for x in range(bx0, bx1)),
          'the background under the buttons is not alike in every column')

    for name, places, size, layer in buttons:
        bw, bh, palette, pixels = read_bmp8(os.path.join(POPUP, name))
        check((bw, bh) == size, name + ': not %d x %d' % size)
        check(all(sum(abs(p[k] - KEY[k]) for k in range(3)) > 96 for p in palette),
              name + ': a palette colour too close to the key')
        bw, bh = size
        check(all(layer.a[y * bw + x] <= 0.0 for y in range(bh) for x in range(bw) if x in (0, bw - 1) or y in (0, bh - 1)),
              name + ': the button or its glow is cut by the edge of the picture')
        for (px, py) in places:
            for y in range(bh):
                for x in range(bw):
                    i = y * bw + x
                    if layer.a[i] <= 0.0:
                        check(pixels[i] == plain[(py + y) * w + px + x],
                              '%s: seam at (%d, %d) when at (%d, %d)' % (name, x, y, px, py))


# --------------------------------------------------------------------------


def main(args):
    if '--popup' in args:
        popup_pictures()
        return 0
    img = lambda name: os.path.join(IMG, name)
    main_bg = main_background()
    main_bg.save_png(img('bg_main.png'), opaque=True)
    list_background().save_png(img('bg_list.png'), opaque=True)

    logo = Canvas(32, 34)
    logo_mark(logo, 1, 1, 30)
    logo.save_png(img('logo.png'))

    for hover in (False, True):
        suffix = '_hover' if hover else ''
        play_button(hover).save_png(img('play%s.png' % suffix))
        download_button(hover).save_png(img('download%s.png' % suffix))
        close_button(hover).save_png(img('close%s.png' % suffix))
        small_play_button(hover).save_png(img('smallplay%s.png' % suffix))
        ghost_button(64, 26, hover).save_png(img('cancel%s.png' % suffix))

        def back_arrow(c, hover):
            ink = WHITE if hover else (1, 1, 1, 0.9)
            c.fill(chevron(19, 17, 11, 2.4, left=True), ink)
        ghost_button(112, 34, hover, icon=back_arrow).save_png(img('back%s.png' % suffix))
        list_row(hover).save_png(img('row%s.png' % suffix))

    # the hover look of the whole "Мои игры" tile: a brighter rim and a faint wash
    x0, y0, x1, y1 = TILE
    tile = Canvas(x1 - x0, y1 - y0)
    tile.fill(rrect(0, 0, tile.w, tile.h, 12), (1, 1, 1, 0.07))
    tile.fill(rrect(0, 0, tile.w, tile.h, 12).ring(1.5), with_alpha(ORANGE_LIGHT, 0.85))
    tile.save_png(img('tile_hover.png'))

    badge(82, 20, rgb('#ff6fae'), rgb('#e8407f')).save_png(img('badge_new.png'))
    badge(104, 20, rgb('#8f6bff'), rgb('#6a3fe0')).save_png(img('badge_advert.png'))
    icon_more().save_png(img('more.png'))
    icon_more_hover().save_png(img('more_hover.png'))
    icon_globe((0.8, 0.74, 0.95, 1.0)).save_png(img('globe.png'))
    icon_globe(WHITE).save_png(img('globe_hover.png'))
    icon_wait().save_png(img('wait.png'))
    thumb_frame().save_png(img('thumbframe.png'))

    bare = main_background(slot=False)
    panel_cover(bare).save_png(img('panel_cover.png'), opaque=True)
    with_slot = bare
    picture_slot(with_slot, ADVERT_SLOT)
    panel_cover(with_slot).save_png(img('advert_cover.png'), opaque=True)
    corner_mask(with_slot, ADVERT_SLOT, 8).save_png(img('advert_mask.png'))
    g = Canvas(200, 180)
    gift(g, 100, 98, 80)
    g.save_png(img('gift.png'))
    corner_mask(main_bg, SLOT, 8).save_png(img('slot_mask.png'))
    progress_cap(main_bg).save_png(img('progress_cap.png'))

    thumb_default().save_jpg(os.path.join(THUMBS, 'default.jpg'))
    thumb_magic_garden().save_jpg(os.path.join(GAMES, 'magic-garden', 'thumb.jpg'))
    thumb_star_bubbles().save_jpg(os.path.join(GAMES, 'star-bubbles', 'thumb.jpg'))
    popup_pictures()
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
