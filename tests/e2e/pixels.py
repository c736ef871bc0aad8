"""Pixels on the test display and in the program's picture files, as rows of (r, g, b), read by
ImageMagick independently of the program."""

import os
import subprocess

RESOURCES = os.path.join(os.path.dirname(__file__), "..", "..", "ui", "res")


def parse_ppm(data):
    """(width, height, rows of (r, g, b)) from a binary PPM with 8-bit samples."""
    fields, position = [], 0
    while len(fields) < 4:
        while data[position:position + 1].isspace():
            position += 1
        end = position
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[position:end])
        position = end
    if fields[0] != b"P6" or fields[3] != b"255":
        raise ValueError(f"not an 8-bit PPM: {fields}")
    width, height = int(fields[1]), int(fields[2])
    pixels = data[position + 1:]
    return width, height, [[tuple(pixels[3 * (y * width + x):3 * (y * width + x) + 3])
                            for x in range(width)] for y in range(height)]


def screen_pixels(left, top, width, height):
    shot = subprocess.run(["import", "-window", "root", "-crop",
                           f"{width}x{height}+{left}+{top}", "-depth", "8", "ppm:-"],
                          capture_output=True, check=True, timeout=60).stdout
    return parse_ppm(shot)


def file_pixels(name):
    """A picture of ui/res as ImageMagick decodes it."""
    decoded = subprocess.run(["convert", os.path.join(RESOURCES, name), "-depth", "8", "ppm:-"],
                             capture_output=True, check=True, timeout=60).stdout
    return parse_ppm(decoded)


def differing_pixels(shown, expected, covered=()):
    """The (x, y) where `shown` differs from `expected`, outside the rectangles `covered`
    ([left, top, width, height] each)."""
    def is_covered(x, y):
        return any(left <= x < left + width and top <= y < top + height
                   for left, top, width, height in covered)

    return [(x, y) for y, (row_s, row_e) in enumerate(zip(shown, expected))
            for x, (p, q) in enumerate(zip(row_s, row_e)) if p != q and not is_covered(x, y)]
