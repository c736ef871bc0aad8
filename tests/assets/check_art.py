#!/usr/bin/env python3
"""Check that the pictures in ui/res/ have the exact formats the program loads.

Usage: python3 tests/assets/check_art.py <repo-root> [--self-test]

Every check parses the file's headers itself (no image library), because the
Win32 loaders involved (the icon loader, the WIC decoders of the pictures)
are picky about bit depth, palette size and header layout, not just pixels.
--self-test also feeds each check damaged copies and expects it to refuse them.
"""

import struct
import sys
import zlib
from pathlib import Path


class Mismatch(Exception):
    pass


def expect(cond, message):
    if not cond:
        raise Mismatch(message)


def u16le(data, off):
    expect(off + 2 <= len(data), f"file ends before offset {off + 2}")
    return struct.unpack_from("<H", data, off)[0]


def u32le(data, off):
    expect(off + 4 <= len(data), f"file ends before offset {off + 4}")
    return struct.unpack_from("<I", data, off)[0]


def bmp_info(data):
    """Parse BITMAPFILEHEADER + BITMAPINFOHEADER; return a dict of fields."""
    expect(len(data) >= 54, f"only {len(data)} bytes, too short for a BMP")
    expect(data[:2] == b"BM", f"signature {data[:2]!r}, want b'BM'")
    file_size, _, _, bits_off = struct.unpack_from("<IHHI", data, 2)
    expect(file_size == len(data), f"bfSize {file_size} but file has {len(data)} bytes")
    (hsize, width, height, planes, bpp, compression, image_size,
     _, _, clr_used, clr_important) = struct.unpack_from("<IiiHHIIiiII", data, 14)
    expect(hsize == 40, f"info header is {hsize} bytes, want 40 (BITMAPINFOHEADER)")
    expect(planes == 1, f"biPlanes {planes}, want 1")
    return dict(width=width, height=height, bpp=bpp, compression=compression,
                image_size=image_size, clr_used=clr_used, clr_important=clr_important,
                bits_off=bits_off)


def check_bmp(data, width, height, bpp, colours=None):
    h = bmp_info(data)
    expect((h["width"], abs(h["height"])) == (width, height),
           f"size {h['width']}x{abs(h['height'])}, want {width}x{height}")
    expect(h["bpp"] == bpp, f"{h['bpp']} bits per pixel, want {bpp}")
    expect(h["compression"] == 0, f"biCompression {h['compression']}, want 0 (BI_RGB)")
    palette_entries = 0
    if colours is not None:
        expect(h["clr_used"] == colours, f"biClrUsed {h['clr_used']}, want {colours}")
        palette_entries = colours
    elif bpp <= 8:
        palette_entries = h["clr_used"] or (1 << bpp)
    else:
        expect(h["clr_used"] == 0, f"biClrUsed {h['clr_used']} on a {bpp}-bit file, want 0")
    expect(h["bits_off"] == 14 + 40 + 4 * palette_entries,
           f"pixel data at {h['bits_off']}, want {14 + 40 + 4 * palette_entries} "
           f"(headers plus {palette_entries} palette entries)")
    stride = (width * bpp + 31) // 32 * 4
    end = h["bits_off"] + stride * height
    expect(end <= len(data), f"pixel rows need {end} bytes, file has {len(data)}")
    if colours is not None and bpp == 8:
        used = max(data[h["bits_off"] + y * stride + x] for y in range(height) for x in range(width))
        expect(used < colours, f"pixel uses palette index {used}, palette has {colours}")
    return f"{width}x{height}, {bpp} bpp, BI_RGB" + (f", {colours}-colour palette" if colours else "")


PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def png_chunks(data):
    """[(type, body)] of a PNG, each chunk's CRC checked."""
    expect(data[:8] == PNG_SIGNATURE, f"signature {data[:8]!r}, want PNG's")
    chunks, pos = [], 8
    while pos < len(data):
        expect(pos + 12 <= len(data), f"chunk at offset {pos} is cut off")
        length, kind = struct.unpack_from(">I4s", data, pos)
        body = data[pos + 8:pos + 8 + length]
        expect(len(body) == length, f"{kind!r} chunk is cut off")
        crc = struct.unpack_from(">I", data, pos + 8 + length)[0]
        expect(zlib.crc32(kind + body) == crc, f"{kind!r} chunk has a wrong CRC")
        chunks.append((kind, body))
        pos += 12 + length
    return chunks


def check_png(data, width, height):
    """8-bit RGB, not interlaced, and nothing a decoder might apply to the pixels (gamma, colour
    profiles): the picture must draw exactly as its pixels say."""
    chunks = png_chunks(data)
    kinds = [kind for kind, _ in chunks]
    expect(kinds[0] == b"IHDR" and kinds[-1] == b"IEND", f"chunks {kinds}, want IHDR first, "
                                                          f"IEND last")
    expect(set(kinds) == {b"IHDR", b"IDAT", b"IEND"}, f"chunks {kinds}, want only IHDR, IDAT, IEND")
    w, h, depth, colour_type, compression, filtering, interlace = struct.unpack(">IIBBBBB",
                                                                                chunks[0][1])
    expect((w, h) == (width, height), f"size {w}x{h}, want {width}x{height}")
    expect((depth, colour_type) == (8, 2), f"bit depth {depth}, colour type {colour_type}, "
                                           f"want 8-bit RGB (8, 2)")
    expect((compression, filtering, interlace) == (0, 0, 0),
           f"compression, filter and interlace methods {compression, filtering, interlace}, "
           f"want 0, 0, 0")
    pixels = zlib.decompress(b"".join(body for kind, body in chunks if kind == b"IDAT"))
    expect(len(pixels) == height * (1 + 3 * width),
           f"{len(pixels)} bytes of filtered rows, want {height * (1 + 3 * width)}")
    return f"PNG, {width}x{height}, 8-bit RGB"


def png_with(data, kind, body):
    """`data` with its chunk of `kind` (or a new one before IEND) holding `body`, CRC fixed."""
    chunk = struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    out, found = bytearray(data[:8]), False
    for old_kind, old_body in png_chunks(data):
        if old_kind == kind or (old_kind == b"IEND" and not found):
            out += chunk
            found = True
            if old_kind == kind:
                continue
        out += struct.pack(">I", len(old_body)) + old_kind + old_body + \
            struct.pack(">I", zlib.crc32(old_kind + old_body))
    return bytes(out)


def check_ico(data, sizes, bpp):
    expect(len(data) >= 6, "too short for an icon directory")
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    expect(reserved == 0 and kind == 1, f"ICONDIR reserved={reserved} type={kind}, want 0 and 1")
    expect(count == len(sizes), f"{count} images, want {len(sizes)}")
    found = []
    for i in range(count):
        base = 6 + 16 * i
        expect(base + 16 <= len(data), f"directory entry {i} is cut off")
        w, h, ncolours, _, planes, bitcount, size, offset = struct.unpack_from("<BBBBHHII", data, base)
        w, h = w or 256, h or 256
        expect(ncolours == 1 << bpp, f"entry {i} bColorCount {ncolours}, want {1 << bpp}")
        expect(bitcount in (0, bpp), f"entry {i} wBitCount {bitcount}, want {bpp}")
        expect(offset + size <= len(data), f"entry {i} points past the end of the file")
        blob = data[offset:offset + size]
        expect(not blob.startswith(b"\x89PNG"), f"image {i} is PNG-compressed, want a DIB")
        expect(len(blob) >= 40, f"image {i} too short for BITMAPINFOHEADER")
        (hsize, bw, bh, bplanes, bbpp, compression, _, _, _, clr_used, _) = \
            struct.unpack_from("<IiiHHIIiiII", blob, 0)
        expect(hsize == 40, f"image {i} header is {hsize} bytes, want 40")
        expect((bw, bh) == (w, 2 * h), f"image {i} DIB is {bw}x{bh}, want {w}x{2 * h} (XOR+AND)")
        expect(bplanes == 1 and bbpp == bpp, f"image {i} has {bbpp} bpp, want {bpp}")
        expect(compression == 0, f"image {i} biCompression {compression}, want 0")
        palette = clr_used or (1 << bpp)
        expect(palette == 1 << bpp, f"image {i} palette {palette} entries, want {1 << bpp}")
        xor = (w * bpp + 31) // 32 * 4 * h
        mask = (w + 31) // 32 * 4 * h
        want = 40 + 4 * palette + xor + mask
        expect(size == want, f"image {i} is {size} bytes, want {want} for {w}x{h} at {bpp} bpp")
        found.append((w, h))
    expect(sorted(found) == sorted(sizes), f"image sizes {found}, want {sizes}")
    return ", ".join(f"{w}x{h}" for w, h in found) + f", {bpp} bpp DIB each"


def check_jpeg(data, width, height, components):
    expect(data[:2] == b"\xff\xd8", "no SOI marker")
    expect(data[2:4] == b"\xff\xe0", "first segment is not APP0")
    app0_len = struct.unpack_from(">H", data, 4)[0]
    expect(data[6:11] == b"JFIF\0", f"APP0 identifier {data[6:11]!r}, want JFIF")
    pos = 4 + app0_len
    while True:
        expect(pos + 4 <= len(data), "reached end of file before a frame header")
        expect(data[pos] == 0xFF, f"lost marker sync at offset {pos}")
        marker = data[pos + 1]
        if marker == 0xFF:  # fill byte
            pos += 1
            continue
        expect(marker not in (0xD9, 0xDA), "scan or EOI before any frame header")
        seg_len = struct.unpack_from(">H", data, pos + 2)[0]
        if 0xC0 <= marker <= 0xCF and marker not in (0xC4, 0xC8, 0xCC):
            precision, h, w, ncomp = struct.unpack_from(">BHHB", data, pos + 4)
            expect((w, h) == (width, height), f"frame is {w}x{h}, want {width}x{height}")
            expect(ncomp == components, f"{ncomp} components, want {components}")
            expect(precision == 8, f"{precision}-bit samples, want 8")
            break
        pos += 2 + seg_len
    expect(data.rstrip(b"\0")[-2:] == b"\xff\xd9", "no EOI marker at the end")
    return f"JFIF, {width}x{height}, {components} components"


def check_gif(data, width, height):
    expect(data[:6] == b"GIF89a", f"signature {data[:6]!r}, want GIF89a")
    expect(len(data) >= 13, "too short for a logical screen descriptor")
    w, h = struct.unpack_from("<HH", data, 6)
    expect((w, h) == (width, height), f"logical screen {w}x{h}, want {width}x{height}")
    expect(data[-1:] == b";", "no GIF trailer")
    return f"GIF89a, {width}x{height}"


CHECKS = [
    ("ui/res/splash.png", lambda d: check_png(d, 440, 330)),
    ("ui/res/main_background.png", lambda d: check_png(d, 450, 116)),
    ("ui/res/nimbrel.ico", lambda d: check_ico(d, [(32, 32), (16, 16)], 4)),
    ("ui/res/about_logo.jpg", lambda d: check_jpeg(d, 160, 161, 3)),
    ("ui/res/about_cloud.gif", lambda d: check_gif(d, 77, 75)),
    ("ui/res/about_sun.bmp", lambda d: check_bmp(d, 75, 75, 8, colours=8)),
]


def damaged(path, data):
    """Copies of a good file with one format property broken."""
    def patch(off, fmt, value):
        b = bytearray(data)
        struct.pack_into(fmt, b, off, value)
        return bytes(b)

    if path.endswith(".png"):
        header = dict(png_chunks(data))[b"IHDR"]
        yield "width", png_with(data, b"IHDR", struct.pack(">I", 441) + header[4:])
        yield "colour type", png_with(data, b"IHDR", header[:9] + b"\x06" + header[10:])
        yield "interlace", png_with(data, b"IHDR", header[:12] + b"\x01")
        yield "gamma", png_with(data, b"gAMA", struct.pack(">I", 45455))
        yield "CRC", data[:29] + bytes([data[29] ^ 1]) + data[30:]
        yield "signature", b"\x89PNX" + data[4:]
    elif path.endswith(".bmp"):
        yield "width", patch(18, "<i", 441)
        yield "bit depth", patch(28, "<H", 32)
        yield "compression", patch(30, "<I", 1)
        yield "colours used", patch(46, "<I", 256)
        yield "signature", b"XX" + data[2:]
    elif path.endswith(".ico"):
        off = struct.unpack_from("<I", data, 18)[0]
        yield "image count", patch(4, "<H", 3)
        yield "entry size", patch(6, "<B", 48)
        yield "DIB bit depth", patch(off + 14, "<H", 8)
        yield "PNG payload", data[:off] + b"\x89PNG" + data[off + 4:]
    elif path.endswith(".jpg"):
        sof = data.index(b"\xff\xc0")
        yield "height", patch(sof + 5, ">H", 160)
        yield "components", patch(sof + 9, ">B", 1)
        yield "JFIF tag", data[:6] + b"Exif\0" + data[11:]
    elif path.endswith(".gif"):
        yield "version", b"GIF87a" + data[6:]
        yield "width", patch(6, "<H", 76)


def main(argv):
    if len(argv) not in (2, 3) or (len(argv) == 3 and argv[2] != "--self-test"):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    root = Path(argv[1])
    self_test = len(argv) == 3
    passed = failed = 0
    for rel, check in CHECKS:
        path = root / rel
        try:
            expect(path.is_file(), "file is missing")
            data = path.read_bytes()
            summary = check(data)
            if self_test:
                for what, bad in damaged(rel, data):
                    try:
                        check(bad)
                    except (Mismatch, struct.error):
                        continue
                    raise Mismatch(f"self-test: a copy with a broken {what} was accepted")
            print(f"PASS {rel}: {summary}")
            passed += 1
        except (Mismatch, struct.error) as e:
            print(f"FAIL {rel}: {e}")
            failed += 1
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
