#!/usr/bin/env python3
"""Draws the labels of the coordinates bar's cells (14 x 11, 8-bit): black glyphs on white.

  coord-label-140.bmp   "="    a field of the selected objects
  coord-label-141.bmp   theta  an angle
  coord-label-142.bmp   "r"    the distance from the origin
  coord-label-143.bmp   phi    the direction from the origin
  coord-label-144.bmp   "d"    the second set: a distance
  coord-label-145.bmp   "a"    the second set: an angle
  coord-label-146.bmp   "x"    the pointer's x
  coord-label-147.bmp   "y"    the pointer's y
  coord-label-148.bmp   "dx"   the second set: a change of x
  coord-label-149.bmp   "dy"   the second set: a change of y

Run this from its folder to write the files that coordinates.rc names.
"""
import struct

WIDTH, HEIGHT = 14, 11
PAPER, INK = 0, 1
PALETTE = [(0xFF, 0xFF, 0xFF), (0, 0, 0)]

# Glyphs 5 wide and 8 high (the last rows hold descenders), '#' is ink.
GLYPHS = {
    '=': ['.....', '.....', '#####', '.....', '#####', '.....', '.....', '.....'],
    'T': ['.###.', '#...#', '#...#', '#####', '#...#', '#...#', '.###.', '.....'],  # theta
    'P': ['..#..', '.###.', '#.#.#', '#.#.#', '#.#.#', '.###.', '..#..', '..#..'],  # phi
    'r': ['.....', '.....', '#.##.', '##..#', '#....', '#....', '#....', '.....'],
    'd': ['....#', '....#', '.####', '#...#', '#...#', '#...#', '.####', '.....'],
    'a': ['.....', '.....', '.###.', '....#', '.####', '#...#', '.####', '.....'],
    'x': ['.....', '.....', '#...#', '.#.#.', '..#..', '.#.#.', '#...#', '.....'],
    'y': ['.....', '.....', '#...#', '#...#', '#...#', '.####', '....#', '.###.'],
}
LABELS = {140: '=', 141: 'T', 142: 'r', 143: 'P', 144: 'd', 145: 'a', 146: 'x', 147: 'y',
          148: 'dx', 149: 'dy'}


def cells(text):
    """The ink pixels of the text, right-aligned against the picture's right edge."""
    ink = set()
    left = WIDTH - 1 - (6 * len(text) - 1)
    for i, char in enumerate(text):
        for y, row in enumerate(GLYPHS[char]):
            for x, mark in enumerate(row):
                if mark == '#':
                    ink.add((left + 6 * i + x, 1 + y))
    return ink


def write(name, ink):
    stride = (WIDTH + 3) // 4 * 4
    rows = []
    for y in reversed(range(HEIGHT)):  # bottom row first
        row = bytes(INK if (x, y) in ink else PAPER for x in range(WIDTH))
        rows.append(row + bytes(stride - WIDTH))
    image = b''.join(rows)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    info = struct.pack('<IiiHHIIiiII', 40, WIDTH, HEIGHT, 1, 8, 0, len(image), 2835, 2835,
                       len(PALETTE), 0)
    offset = 14 + len(info) + len(palette)
    header = struct.pack('<2sIHHI', b'BM', offset + len(image), 0, 0, offset)
    with open(name, 'wb') as out:
        out.write(header + info + palette + image)


for number, text in LABELS.items():
    write('coord-label-%d.bmp' % number, cells(text))
