#!/usr/bin/python3
"""Pack already-quantised pictures into a classic 16-colour Windows icon.

Usage: write_ico.py OUT.ico COLOURS.ppm ALPHA.pgm [COLOURS.ppm ALPHA.pgm ...]

Each PPM must hold at most 15 distinct colours among its opaque pixels: the
16th palette slot is reserved for black, which transparent pixels must use so
that the AND/XOR drawing Windows does for icons leaves the desktop untouched.
ImageMagick only writes PNG-compressed or true-colour icons, hence this tool.
"""

import struct
import sys


def read_pnm(path):
    """Return (width, height, channels, bytes) from a binary P5/P6 file."""
    with open(path, "rb") as f:
        data = f.read()
    fields = []
    pos = 0
    # Header is four whitespace-separated tokens, possibly with comments.
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos) + 1
            continue
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    pos += 1  # exactly one whitespace byte ends the header
    magic, width, height, maxval = fields[0], int(fields[1]), int(fields[2]), int(fields[3])
    if magic not in (b"P5", b"P6") or maxval != 255:
        raise SystemExit(f"{path}: need 8-bit binary PGM/PPM, got {magic!r} maxval {maxval}")
    channels = 3 if magic == b"P6" else 1
    pixels = data[pos:pos + width * height * channels]
    if len(pixels) != width * height * channels:
        raise SystemExit(f"{path}: truncated pixel data")
    return width, height, channels, pixels


def rgb_rows(path):
    w, h, ch, px = read_pnm(path)
    if ch != 3:
        raise SystemExit(f"{path}: expected a colour PPM")
    return w, h, [[tuple(px[(y * w + x) * 3:(y * w + x) * 3 + 3]) for x in range(w)] for y in range(h)]


def gray_rows(path):
    w, h, ch, px = read_pnm(path)
    if ch != 1:
        raise SystemExit(f"{path}: expected a grey PGM")
    return w, h, [[px[y * w + x] for x in range(w)] for y in range(h)]


def padded(row_bytes):
    return row_bytes + b"\0" * (-len(row_bytes) % 4)


def icon_image(ppm, pgm):
    w, h, rgb = rgb_rows(ppm)
    aw, ah, alpha = gray_rows(pgm)
    if (w, h) != (aw, ah):
        raise SystemExit(f"{ppm} and {pgm} differ in size")
    if w > 255 or h > 255 or w % 8:
        raise SystemExit(f"{ppm}: unsupported icon size {w}x{h}")
    opaque = [[alpha[y][x] >= 128 for x in range(w)] for y in range(h)]
    used = sorted({rgb[y][x] for y in range(h) for x in range(w) if opaque[y][x]})
    black = (0, 0, 0)
    palette = used if black in used else used + [black]
    if len(palette) > 16:
        raise SystemExit(f"{ppm}: {len(used)} colours, at most 15 plus black fit")
    palette += [black] * (16 - len(palette))
    index = {c: i for i, c in reversed(list(enumerate(palette)))}
    black_index = index[black]

    xor_rows = []
    and_rows = []
    for y in reversed(range(h)):  # DIB rows run bottom-up
        nibbles = [index[rgb[y][x]] if opaque[y][x] else black_index for x in range(w)]
        xor_rows.append(padded(bytes((nibbles[x] << 4) | nibbles[x + 1] for x in range(0, w, 2))))
        bits = bytearray(w // 8)
        for x in range(w):
            if not opaque[y][x]:
                bits[x // 8] |= 0x80 >> (x % 8)
        and_rows.append(padded(bytes(bits)))
    xor = b"".join(xor_rows)
    mask = b"".join(and_rows)
    # Height is doubled because the header describes the XOR and AND bitmaps together.
    header = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    quads = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    return w, h, header + quads + xor + mask


def main(argv):
    if len(argv) < 4 or len(argv) % 2:
        raise SystemExit(__doc__)
    out = argv[1]
    images = [icon_image(argv[i], argv[i + 1]) for i in range(2, len(argv), 2)]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for w, h, blob in images:
        entries += struct.pack("<BBBBHHII", w, h, 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
    with open(out, "wb") as f:
        f.write(directory + entries + b"".join(blob for _, _, blob in images))


if __name__ == "__main__":
    main(sys.argv)
