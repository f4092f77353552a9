#!/usr/bin/env python3
"""Draws the program's icons as PNG files (no image library needed).

The application icon is a chip on a blue tile with the letter T; the two
action icons are a black P and E on a transparent ground.
Usage: make_icons.py OUTPUT_DIR
"""
import struct
import sys
import zlib
from pathlib import Path

GLYPHS = {
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "P": ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
}


def png(path, pixels):
    height = len(pixels)
    width = len(pixels[0])
    raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in pixels)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    Path(path).write_bytes(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                           chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def glyph(pixels, letter, x0, y0, scale, colour):
    for gy, row in enumerate(GLYPHS[letter]):
        for gx, bit in enumerate(row):
            if bit == "1":
                for dy in range(scale):
                    for dx in range(scale):
                        pixels[y0 + gy * scale + dy][x0 + gx * scale + dx] = colour


def app_icon(size):
    clear = (0, 0, 0, 0)
    tile = (28, 78, 140, 255)
    chip = (235, 238, 242, 255)
    pin = (190, 196, 204, 255)
    ink = (28, 78, 140, 255)
    px = [[clear] * size for _ in range(size)]
    r = max(1, size // 8)
    for y in range(size):
        for x in range(size):
            cx = min(x, size - 1 - x)
            cy = min(y, size - 1 - y)
            if cx < r and cy < r and (r - cx - 0.5) ** 2 + (r - cy - 0.5) ** 2 > r * r:
                continue
            px[y][x] = tile
    m = size // 4
    for y in range(m, size - m):
        for x in range(m, size - m):
            px[y][x] = chip
    step = max(2, size // 8)
    for i in range(m + step // 2, size - m, step):
        for k in range(max(1, size // 16)):
            for t in range(max(1, size // 32)):
                px[m - 1 - k][i + t] = pin
                px[size - m + k][i + t] = pin
                px[i + t][m - 1 - k] = pin
                px[i + t][size - m + k] = pin
    scale = max(1, (size - 2 * m) // 9)
    gx = (size - 5 * scale) // 2
    gy = (size - 7 * scale) // 2
    glyph(px, "T", gx, gy, scale, ink)
    return px


def letter_icon(size, letter):
    px = [[(0, 0, 0, 0)] * size for _ in range(size)]
    scale = max(1, size // 9)
    glyph(px, letter, (size - 5 * scale) // 2, (size - 7 * scale) // 2, scale, (0, 0, 0, 255))
    return px


def main():
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    for size in (16, 32, 48):
        png(out / f"tollvane-{size}.png", app_icon(size))
    for size in (16, 32):
        png(out / f"thumb-program-{size}.png", letter_icon(size, "P"))
    png(out / "thumb-erase-32.png", letter_icon(32, "E"))


if __name__ == "__main__":
    main()
