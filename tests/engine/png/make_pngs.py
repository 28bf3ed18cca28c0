#!/usr/bin/env python3
"""Writes the PNG test pictures of the engine's decoder into this folder.

    python3 tests/engine/png/make_pngs.py

Every sample is a formula of its position, so the test computes what each
pixel must be. The file name says what varies:
  ct<colour type>_d<depth>[_i][_key][_stored|_fixed].png
  _i       Adam7 interlacing
  _key     a tRNS chunk: palette alphas, or the grey / colour of pixel (0, 0)
  _noise   samples from a hash instead of a smooth formula
  _stored  stored deflate blocks; _fixed  fixed Huffman codes; otherwise
           dynamic codes. The data is split over several IDAT chunks.
Rows cycle through the five filter types. Standard library only.
"""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}
ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


NOISE = False


def sample(x, y, c, depth):
    """The formula the test repeats: a 16-bit value cut to the depth. Smooth,
    or noise for the "_noise" pictures (ties in the Paeth predictor)."""
    if NOISE:
        h = (x * 73856093 ^ y * 19349663 ^ c * 83492791) & 0xFFFFFFFF
        h = (h ^ (h >> 13)) * 0x5BD1E995 & 0xFFFFFFFF
        v = (h ^ (h >> 15)) & 0xFFFF
    else:
        v = ((x * 37 + y * 91 + c * 53) * 257 + x * y * 11) & 0xFFFF
    return v >> (16 - depth)


def palette_entry(i):
    return (i * 7) & 255, (i * 13) & 255, (i * 29) & 255


def palette_alpha(i):
    return (i * 41) & 255


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def pack_row(values, depth):
    if depth == 16:
        return b"".join(struct.pack(">H", v) for v in values)
    if depth == 8:
        return bytes(values)
    out, acc, bits = bytearray(), 0, 0
    for v in values:
        acc = (acc << depth) | v
        bits += depth
        if bits == 8:
            out.append(acc)
            acc, bits = 0, 0
    if bits:
        out.append(acc << (8 - bits))
    return bytes(out)


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    return a if pa <= pb and pa <= pc else b if pb <= pc else c


def filter_row(kind, row, prior, bpp):
    out = bytearray()
    for i, v in enumerate(row):
        left = row[i - bpp] if i >= bpp else 0
        up = prior[i]
        upleft = prior[i - bpp] if i >= bpp else 0
        predictor = [0, left, up, (left + up) >> 1, paeth(left, up, upleft)][kind]
        out.append((v - predictor) & 255)
    return bytes([kind]) + bytes(out)


def raw_data(width, height, ct, depth, interlaced):
    channels = CHANNELS[ct]
    bpp = max(1, channels * depth // 8)
    passes = ADAM7 if interlaced else [(0, 0, 1, 1)]
    data, n = bytearray(), 0
    for x0, y0, dx, dy in passes:
        xs = list(range(x0, width, dx))
        ys = list(range(y0, height, dy))
        if not xs:
            continue
        prior = bytes(len(pack_row([0] * len(xs) * channels, depth)))
        for y in ys:
            values = [sample(x, y, c, depth) for x in xs for c in range(channels)]
            row = pack_row(values, depth)
            data += filter_row(n % 5, row, prior, bpp)
            prior = row
            n += 1
    return bytes(data)


def write(name, width, height, ct, depth, interlaced=False, key=False, compression="dynamic"):
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, ct, 0, 0, 1 if interlaced else 0))
    png += chunk(b"gAMA", struct.pack(">I", 45455))  # ancillary: ignored
    if ct == 3:
        count = 1 << depth
        png += chunk(b"PLTE", b"".join(bytes(palette_entry(i)) for i in range(count)))
        if key:
            png += chunk(b"tRNS", bytes(palette_alpha(i) for i in range(count - 1)))
    elif key and ct in (0, 2):
        values = [sample(0, 0, c, depth) for c in range(CHANNELS[ct])]
        png += chunk(b"tRNS", b"".join(struct.pack(">H", v) for v in values))
    raw = raw_data(width, height, ct, depth, interlaced)
    if compression == "stored":
        packed = zlib.compress(raw, 0)
    elif compression == "fixed":
        z = zlib.compressobj(9, zlib.DEFLATED, 15, 9, zlib.Z_FIXED)
        packed = z.compress(raw) + z.flush()
    else:
        packed = zlib.compress(raw, 9)
    third = max(1, len(packed) // 3)
    for at in range(0, len(packed), third):
        png += chunk(b"IDAT", packed[at:at + third])
    png += chunk(b"IEND", b"")
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(png)


def main():
    depths = {0: [1, 2, 4, 8, 16], 2: [8, 16], 3: [1, 2, 4, 8], 4: [8, 16], 6: [8, 16]}
    for ct, ds in depths.items():
        for d in ds:
            for interlaced in (False, True):
                write(f"ct{ct}_d{d}{'_i' if interlaced else ''}.png", 13, 11, ct, d, interlaced)
    for ct, d in ((0, 4), (0, 16), (2, 8), (2, 16), (3, 2), (3, 8)):
        write(f"ct{ct}_d{d}_key.png", 13, 11, ct, d, key=True)
    write("ct6_d8_stored.png", 40, 30, 6, 8, compression="stored")
    write("ct2_d8_fixed.png", 40, 30, 2, 8, compression="fixed")
    # Adam7 passes that are empty for so small a picture.
    write("ct6_d8_i_tiny.png", 1, 1, 6, 8, True)
    write("ct0_d1_i_small.png", 3, 2, 0, 1, True)
    # Large enough for long matches and a window of many blocks.
    write("ct6_d8_large.png", 200, 120, 6, 8)
    global NOISE
    NOISE = True
    write("ct6_d8_noise.png", 40, 30, 6, 8)
    write("ct0_d2_noise.png", 40, 30, 0, 2)


if __name__ == "__main__":
    main()
