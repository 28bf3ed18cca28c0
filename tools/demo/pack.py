#!/usr/bin/env python3
"""Packs a game folder into the payload of the demo's installer.

    python3 pack.py OUT DEST=SOURCE ...

Each DEST=SOURCE pair adds a file (SOURCE a file) or every file below a
folder (SOURCE a folder, DEST its place, "" for the top). DEST uses "/" and
becomes a path relative to the installation folder.

Payload format (little-endian): "ZDPK" and the file count (4 bytes); then per
file its path length (4 bytes), the path (code page 1251, "\\" separated, no
terminator), its size (4 bytes) and its bytes.
"""
import os
import struct
import sys


def files_of(dest, source):
    if os.path.isfile(source):
        yield dest, source
        return
    for folder, subfolders, names in os.walk(source):
        subfolders.sort()
        for name in sorted(names):
            path = os.path.join(folder, name)
            relative = os.path.relpath(path, source).replace(os.sep, '/')
            yield (dest + '/' + relative if dest else relative), path


def main(argv):
    out, pairs = argv[0], argv[1:]
    entries = []
    for pair in pairs:
        dest, _, source = pair.partition('=')
        entries.extend(files_of(dest, source))
    blob = bytearray(b'ZDPK' + struct.pack('<I', len(entries)))
    for dest, source in entries:
        name = dest.replace('/', '\\').encode('cp1251')
        with open(source, 'rb') as f:
            data = f.read()
        blob += struct.pack('<I', len(name)) + name + struct.pack('<I', len(data)) + data
    with open(out + '.tmp', 'wb') as f:
        f.write(blob)
    os.replace(out + '.tmp', out)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
