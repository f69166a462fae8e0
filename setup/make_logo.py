#!/usr/bin/env python3
"""Draws the installation program's ORVLOGO bitmap: 425 x 89 pixels, 16 colours (4 bits a pixel).

make_logo.py out.bmp
A blue band with a lighter rule, the product name in large block letters and a small scanner
glyph; the main window tiles it as its background and shows it once near the top left.
"""
import struct
import sys

WIDTH, HEIGHT = 425, 89
# The 16-colour VGA palette (B, G, R, 0 in the file).
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
           (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
           (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
NAVY, TEAL, SILVER, GRAY, CYAN, WHITE, YELLOW = 4, 6, 7, 8, 14, 15, 11

# 5 x 7 glyphs of the letters the logo uses.
GLYPHS = {
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "2": ["01110", "10001", "00001", "00110", "01000", "10000", "11111"],
    "0": ["01110", "10011", "10101", "10101", "11001", "10001", "01110"],
    ".": ["00000", "00000", "00000", "00000", "00000", "01100", "01100"],
    " ": ["00000"] * 7,
}


def draw():
    pixels = [[NAVY] * WIDTH for _ in range(HEIGHT)]

    def box(x0, y0, x1, y1, colour):
        for y in range(max(0, y0), min(HEIGHT, y1)):
            for x in range(max(0, x0), min(WIDTH, x1)):
                pixels[y][x] = colour

    box(0, 0, WIDTH, 4, TEAL)
    box(0, HEIGHT - 4, WIDTH, HEIGHT, TEAL)
    box(0, HEIGHT - 8, WIDTH, HEIGHT - 6, CYAN)
    # Scanner glyph: lid, glass with a light bar, body.
    box(14, 22, 86, 30, SILVER)
    box(14, 30, 86, 34, GRAY)
    box(18, 34, 82, 40, CYAN)
    box(14, 40, 86, 66, SILVER)
    box(20, 56, 34, 60, YELLOW)
    scale_x, scale_y = 5, 7
    x = 110
    for letter in "ORVANE 2.0":
        for row, bits in enumerate(GLYPHS[letter]):
            for col, bit in enumerate(bits):
                if bit == "1":
                    # The shadow first, one step down and right, then the letter.
                    box(x + col * scale_x + 2, 20 + row * scale_y + 2,
                        x + (col + 1) * scale_x + 2, 20 + (row + 1) * scale_y + 2, GRAY)
                    box(x + col * scale_x, 20 + row * scale_y, x + (col + 1) * scale_x,
                        20 + (row + 1) * scale_y, WHITE)
        x += 6 * scale_x if letter != " " else 3 * scale_x
    return pixels


def write_bmp(path, pixels):
    row_bytes = ((WIDTH * 4 + 31) // 32) * 4
    data = bytearray()
    for row in reversed(pixels):  # bottom-up
        packed = bytearray(row_bytes)
        for x, colour in enumerate(row):
            packed[x // 2] |= colour << (4 if x % 2 == 0 else 0)
        data += packed
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 4, 0, len(data), 2835, 2835, 16, 16)
    with open(path, "wb") as out:
        out.write(header + info + palette + data)


if __name__ == "__main__":
    write_bmp(sys.argv[1], draw())
