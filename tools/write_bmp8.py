#!/usr/bin/python3
"""Write an 8-bit paletted BMP with a fixed palette.

Usage: write_bmp8.py OUT.bmp PIXELS.ppm PALETTE.ppm

PALETTE.ppm lists the palette colours in order (any width, one row or more);
every pixel of PIXELS.ppm must use one of them.

ImageMagick always shrinks the bit depth to fit the colour count (8 colours
become a 4-bit file), so the 8-bit layout is written by hand here.
"""

import struct
import sys

from write_ico import rgb_rows


def main(argv):
    if len(argv) != 4:
        raise SystemExit(__doc__)
    out, ppm, pal = argv[1], argv[2], argv[3]
    w, h, rgb = rgb_rows(ppm)
    _, _, pal_rows = rgb_rows(pal)
    palette = [c for row in pal_rows for c in row]
    if len(set(palette)) != len(palette) or len(palette) > 256:
        raise SystemExit(f"{pal}: palette colours must be distinct and at most 256")
    index = {c: i for i, c in enumerate(palette)}
    stray = {c for row in rgb for c in row} - index.keys()
    if stray:
        raise SystemExit(f"{ppm}: colours outside the palette: {sorted(stray)[:4]}")
    count = len(palette)
    stride = (w + 3) & ~3
    rows = b"".join(bytes(index[c] for c in rgb[y]).ljust(stride, b"\0") for y in reversed(range(h)))
    quads = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 8, 0, len(rows), 2835, 2835, count, count)
    offset = 14 + len(info) + len(quads)
    head = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    with open(out, "wb") as f:
        f.write(head + info + quads + rows)


if __name__ == "__main__":
    main(sys.argv)
