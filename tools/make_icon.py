#!/usr/bin/python3
"""Draws the program's card emblem (resources/images/kendrawell.svg) as PNG or ICO.

usage: make_icon.py OUTPUT SIZE [SIZE ...]
A name ending in .ico gets one PNG-compressed image per size; any other name gets a PNG of the
first size. Only the standard library is used, so the result is the same on every machine.
"""

import struct
import sys
import zlib

BLUE = (0x1f, 0x4e, 0x79, 0xff)
GOLD = (0xe0, 0xb8, 0x4c, 0xff)
WHITE = (0xff, 0xff, 0xff, 0xff)
CLEAR = (0, 0, 0, 0)


def inside_rounded(x, y, left, top, right, bottom, radius):
    if not (left <= x < right and top <= y < bottom):
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def pixel(x, y):
    """Colour at (x, y) in the emblem's 64 x 64 view box."""
    if not inside_rounded(x, y, 4, 12, 60, 52, 6):
        return CLEAR
    if inside_rounded(x, y, 12, 22, 24, 32, 2):
        return GOLD
    for (left, right, line_y) in ((32, 52, 24), (32, 52, 32), (12, 52, 42)):
        if left - 1.5 <= x <= right + 1.5 and abs(y - line_y) <= 1.5:
            return WHITE
    return BLUE


def png(size):
    rows = b''
    scale = 64.0 / size
    for row in range(size):
        rows += b'\0'
        for column in range(size):
            rows += bytes(pixel((column + 0.5) * scale, (row + 0.5) * scale))

    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))

    header = struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0)
    return b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'IDAT', zlib.compress(rows, 9)) + chunk(b'IEND', b'')


def ico(sizes):
    images = [png(size) for size in sizes]
    offset = 6 + 16 * len(images)
    directory = b''
    for size, image in zip(sizes, images):
        directory += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return struct.pack('<HHH', 0, 1, len(images)) + directory + b''.join(images)


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    output = sys.argv[1]
    sizes = [int(size) for size in sys.argv[2:]]
    data = ico(sizes) if output.lower().endswith('.ico') else png(sizes[0])
    with open(output, 'wb') as file:
        file.write(data)


if __name__ == '__main__':
    main()
