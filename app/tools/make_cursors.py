#!/usr/bin/env python3
"""Writes the two cursor images of the picker as Windows .cur files.

Run once from the repository root; the results are committed under
app/resources/. Each file holds one 32 x 32 image: an ICONDIR, one
ICONDIRENTRY carrying the hot spot, a BITMAPINFOHEADER of double height, the
palette, the colour (XOR) rows and the transparency (AND) rows, both bottom-up.

  crosshair.cur  8 bits per pixel, 256 grey levels, hot spot (15, 16), 2238 bytes
  hand.cur       1 bit per pixel, black and white,  hot spot (6, 0),    326 bytes

The cross-hair is also written as the program's 32 x 32 icon, a PNG with
transparency, to packaging/scriptmaker.png.
"""
import struct
import sys
import zlib
from pathlib import Path

SIZE = 32

HAND = [
    "      XX",
    "     X..X",
    "     X..X",
    "     X..X",
    "     X..X",
    "     X..XXX",
    "     X..X..XXX",
    "     X..X..X..XX",
    "     X..X..X..X.X",
    " XX  X..X..X..X..X",
    "X..X X...........X",
    "X...XX...........X",
    " X...X...........X",
    "  X..............X",
    "  X..............X",
    "   X.............X",
    "   X............X",
    "    X...........X",
    "    X..........X",
    "     X.........X",
    "     X.........X",
    "     XXXXXXXXXXX",
]


def cur_file(bpp, palette, pixels, transparent, hotspot):
    """pixels[y][x]: palette index; transparent[y][x]: True where the screen shows."""
    colours = len(palette)
    xor_row = SIZE * bpp // 8
    and_row = SIZE // 8
    image_size = 40 + 4 * colours + SIZE * xor_row + SIZE * and_row
    out = bytearray()
    out += struct.pack("<HHH", 0, 2, 1)  # reserved, type 2 = cursor, one image
    out += struct.pack("<BBBBHHII", SIZE, SIZE, colours % 256, 0, hotspot[0], hotspot[1],
                       image_size, 6 + 16)
    out += struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, bpp, 0, 0, 0, 0, 0, 0)
    for r, g, b in palette:
        out += struct.pack("<BBBB", b, g, r, 0)
    for y in reversed(range(SIZE)):
        if bpp == 8:
            out += bytes(pixels[y])
        else:
            out += pack_bits(pixels[y])
    for y in reversed(range(SIZE)):
        out += pack_bits([1 if t else 0 for t in transparent[y]])
    return bytes(out)


def pack_bits(bits):
    row = bytearray()
    for i in range(0, SIZE, 8):
        byte = 0
        for bit in bits[i:i + 8]:
            byte = (byte << 1) | bit
        row.append(byte)
    return row


def png_file(pixels, transparent):
    """An RGBA PNG of a grey image: pixels[y][x] a grey level."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    rows = bytearray()
    for y in range(SIZE):
        rows.append(0)  # no filter
        for x in range(SIZE):
            grey = pixels[y][x]
            rows += bytes((grey, grey, grey, 0 if transparent[y][x] else 255))
    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + chunk(b"IEND", b""))


def crosshair_pixels():
    # Arms six pixels wide (13..18), from black at the edges to near white
    # along the middle, with a see-through 2 x 2 centre around the hot spot.
    shades = [0x00, 0x80, 0xF0, 0xF0, 0x80, 0x00]
    pixels = [[0] * SIZE for _ in range(SIZE)]
    transparent = [[True] * SIZE for _ in range(SIZE)]
    for y in range(1, SIZE - 1):
        for x in range(1, SIZE - 1):
            shade = -1
            if 13 <= x <= 18:
                shade = max(shade, shades[x - 13])
            if 13 <= y <= 18:
                shade = max(shade, shades[y - 13])
            if shade < 0 or (15 <= x <= 16 and 15 <= y <= 16):
                continue
            pixels[y][x] = shade
            transparent[y][x] = False
    return pixels, transparent


def crosshair():
    pixels, transparent = crosshair_pixels()
    palette = [(i, i, i) for i in range(256)]
    return cur_file(8, palette, pixels, transparent, (15, 16))


def hand():
    pixels = [[0] * SIZE for _ in range(SIZE)]
    transparent = [[True] * SIZE for _ in range(SIZE)]
    for y, line in enumerate(HAND):
        for x, c in enumerate(line):
            if c == " ":
                continue
            pixels[y][x] = 0 if c == "X" else 1
            transparent[y][x] = False
    return cur_file(1, [(0, 0, 0), (255, 255, 255)], pixels, transparent, (6, 0))


def main():
    target = Path(sys.argv[1] if len(sys.argv) > 1 else "app/resources")
    for name, data, size in (("crosshair.cur", crosshair(), 2238), ("hand.cur", hand(), 326)):
        assert len(data) == size, (name, len(data))
        (target / name).write_bytes(data)
    icon = Path(sys.argv[2] if len(sys.argv) > 2 else "packaging/scriptmaker.png")
    icon.write_bytes(png_file(*crosshair_pixels()))


if __name__ == "__main__":
    main()
