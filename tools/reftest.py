#!/usr/bin/env python3
"""The engine's reftests: pairs of pages that must look the same.

    python3 tools/reftest.py --screenview build/x86_64/screenview.exe
        [--pairs tests/engine/reftests] [--out build/x86_64/reftests]
        [--size 800x600] [NAME ...]

Each pair is NAME.htm (the test: the rule at work) and NAME-ref.htm (the
reference: the same picture drawn without the rule). screenview draws both
under Wine (run it inside a Wine session) and the pictures are compared
pixel by pixel. A pixel differs when one of its channels differs by more than
the pair's tolerance; a pair passes when at most its allowance of pixels
differ. Both are 0 unless the test page states them:

    <meta name="fuzzy" content="CHANNEL;PIXELS">

A failing pair leaves its two pictures and their difference (differing
pixels red over the faded test picture) in the output folder:
NAME.png, NAME-ref.png, NAME-diff.png. Exit code 0 when every pair passed.

Standard library only (the PNG reader takes what screenview writes: 8-bit
RGB or RGBA, not interlaced).
"""
import argparse
import os
import re
import struct
import subprocess
import sys
import zlib


def read_png(path):
    """(width, height, rows of bytes RGB or RGBA, channels)."""
    with open(path, 'rb') as f:
        data = f.read()
    if data[:8] != b'\x89PNG\r\n\x1a\n':
        raise ValueError('%s: not a PNG' % path)
    at, idat, header = 8, b'', None
    while at + 8 <= len(data):
        length, kind = struct.unpack('>I4s', data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b'IHDR':
            header = struct.unpack('>IIBBBBB', body)
        elif kind == b'IDAT':
            idat += body
        elif kind == b'IEND':
            break
        at += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace != 0:
        raise ValueError('%s: only 8-bit RGB or RGBA, not interlaced' % path)
    channels = 3 if colour == 2 else 4
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride if kind != 0 else 0):
            left = line[x - channels] if x >= channels else 0
            up = previous[x]
            corner = previous[x - channels] if x >= channels else 0
            if kind == 1:
                line[x] = (line[x] + left) & 255
            elif kind == 2:
                line[x] = (line[x] + up) & 255
            elif kind == 3:
                line[x] = (line[x] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[x] = (line[x] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 255
        rows.append(bytes(line))
        previous = line
    return width, height, rows, channels


def write_png(path, width, height, rgb_rows):
    def chunk(kind, body):
        return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body) & 0xffffffff)
    raw = b''.join(b'\x00' + bytes(row) for row in rgb_rows)
    with open(path, 'wb') as f:
        f.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0)) +
                chunk(b'IDAT', zlib.compress(raw, 6)) + chunk(b'IEND', b''))


def pixel_differs(a, b, x, n, n2, tolerance):
    pa, pb = a[x * n:x * n + 3], b[x * n2:x * n2 + 3]
    return max(abs(pa[0] - pb[0]), abs(pa[1] - pb[1]), abs(pa[2] - pb[2])) > tolerance


def count_differing(test, ref, tolerance):
    """Pixels of two read PNGs that differ (every pixel when the sizes do)."""
    (w, h, rows, n), (w2, h2, rows2, n2) = test, ref
    if (w, h) != (w2, h2):
        return w * h
    differing = 0
    for a, b in zip(rows, rows2):
        if n == n2 and a == b:
            continue
        differing += sum(1 for x in range(w) if pixel_differs(a, b, x, n, n2, tolerance))
    return differing


def difference_picture(test, ref, tolerance):
    """The test picture faded, with its differing pixels red."""
    (w, h, rows, n), (_, _, rows2, n2) = test, ref
    picture = []
    for a, b in zip(rows, rows2):
        out = bytearray(w * 3)
        for x in range(w):
            if pixel_differs(a, b, x, n, n2, tolerance):
                out[x * 3:x * 3 + 3] = b'\xff\x00\x00'
            else:
                out[x * 3:x * 3 + 3] = bytes(192 + c // 4 for c in a[x * n:x * n + 3])
        picture.append(out)
    return picture


FUZZY = re.compile(rb'<meta\s+name="fuzzy"\s+content="(\d+);(\d+)"', re.I)


def allowance(page):
    with open(page, 'rb') as f:
        found = FUZZY.search(f.read())
    return (int(found.group(1)), int(found.group(2))) if found else (0, 0)


def windows_path(path):
    return 'Z:' + os.path.abspath(path).replace('/', '\\')


def draw(screenview, page, png, size):
    if os.path.exists(png):
        os.remove(png)
    command = ['wine', screenview, windows_path(page), '--size', size, '--png', windows_path(png), '--wait', '0']
    result = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
    return result.returncode == 0 and os.path.exists(png)


def main(argv):
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser = argparse.ArgumentParser(description='Draws the reftest pairs and compares them.')
    parser.add_argument('--screenview', required=True)
    parser.add_argument('--pairs', default=os.path.join(root, 'tests', 'engine', 'reftests'))
    parser.add_argument('--out', default=os.path.join(root, 'build', 'x86_64', 'reftests'))
    parser.add_argument('--size', default='800x600')
    parser.add_argument('names', nargs='*')
    args = parser.parse_args(argv)
    os.makedirs(args.out, exist_ok=True)
    names = args.names or sorted(name[:-4] for name in os.listdir(args.pairs)
                                 if name.endswith('.htm') and not name.endswith('-ref.htm'))
    failed = []
    for name in names:
        test_page = os.path.join(args.pairs, name + '.htm')
        ref_page = os.path.join(args.pairs, name + '-ref.htm')
        test_png = os.path.join(args.out, name + '.png')
        ref_png = os.path.join(args.out, name + '-ref.png')
        diff_png = os.path.join(args.out, name + '-diff.png')
        if not os.path.exists(ref_page):
            print('FAIL %s: no reference page %s' % (name, ref_page))
            failed.append(name)
            continue
        if not draw(args.screenview, test_page, test_png, args.size) or \
                not draw(args.screenview, ref_page, ref_png, args.size):
            print('FAIL %s: screenview drew no picture' % name)
            failed.append(name)
            continue
        tolerance, pixels = allowance(test_page)
        test, ref = read_png(test_png), read_png(ref_png)
        differing = count_differing(test, ref, tolerance)
        if differing > pixels:
            if test[:2] == ref[:2]:
                write_png(diff_png, test[0], test[1], difference_picture(test, ref, tolerance))
            print('FAIL %s: %d pixels differ (allowed %d, channel tolerance %d); see %s' %
                  (name, differing, pixels, tolerance, diff_png))
            failed.append(name)
            continue
        for leftover in (test_png, ref_png, diff_png):
            if os.path.exists(leftover):
                os.remove(leftover)
        print('pass %s' % name)
    print('reftests: %d of %d pairs pass' % (len(names) - len(failed), len(names)))
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
