#!/usr/bin/env python3
"""Draws the cursor of the field labels of dialogs: a pointing hand, shown over a label that
gives the focus to its field when clicked.

The picture is a grid of characters: '#' black, 'o' white, '.' transparent. Run it from this
folder to write the file that dialogs.rc names.
"""
import struct

COLOURS = {'#': (0, 0, 0), 'o': (255, 255, 255)}

HAND = """
.....##.........
....#oo#........
....#oo#........
....#oo#........
....#oo#........
....#oo###......
....#oo#oo###...
....#oo#oo#oo##.
.##.#oo#oo#oo#o#
#oo##oooooooo#o#
#ooo#oooooooooo#
.#oo#oooooooooo#
..#ooooooooooo#.
..#ooooooooooo#.
...#oooooooooo#.
...#ooooooooo#..
....#oooooooo#..
....#oooooooo#..
....##########..
"""


def grid(text):
    rows = text.strip('\n').split('\n')
    assert all(len(row) == len(rows[0]) for row in rows), text
    return rows


def padded(rows, side=32):
    return ([row + '.' * (side - len(row)) for row in rows] +
            ['.' * side] * (side - len(rows)))


def dib(rows):
    """A bottom-up 32-bit image with its AND mask, height counting both."""
    height, width = len(rows), len(rows[0])
    header = struct.pack('<IiiHHIIiiII', 40, width, 2 * height, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(rows):
        for c in row:
            r, g, b = COLOURS.get(c, (0, 0, 0))
            pixels += bytes((b, g, r, 0))
    mask = bytearray()
    row_bytes = ((width + 31) // 32) * 4
    for row in reversed(rows):
        bits = bytearray(row_bytes)
        for x, c in enumerate(row):
            if c == '.':
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(pixels) + bytes(mask)


def write_cursor(name, text, hot):
    rows = padded(grid(text))
    image = dib(rows)
    w, h = len(rows[0]), len(rows)
    directory = struct.pack('<HHH', 0, 2, 1) + struct.pack('<BBBBHHII', w, h, 0, 0, hot[0],
                                                          hot[1], len(image), 22)
    with open(name, 'wb') as f:
        f.write(directory + image)


if __name__ == '__main__':
    write_cursor('label-hand.cur', HAND, (6, 0))
