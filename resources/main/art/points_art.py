#!/usr/bin/env python3
"""Draws the icons and cursors of points and anchors as icon and cursor files.

Each picture is a grid of characters: '#' black, 'o' white, 'g' grey, '.' transparent. Run it
from this folder to write the files that points.rc names.
"""
import struct

COLOURS = {'#': (0, 0, 0), 'o': (255, 255, 255), 'g': (128, 128, 128)}

POINT = """
................
................
................
................
......####......
.....#oooo#.....
....#oo##oo#....
....#o####o#....
....#o####o#....
....#oo##oo#....
.....#oooo#.....
......####......
................
................
................
................"""

LOCKED_POINT = """
................
................
................
................
....########....
....#oooooo#....
....#oo##oo#....
....#o####o#....
....#o####o#....
....#oo##oo#....
....#oooooo#....
....########....
................
................
................
................"""

def centre_of_mass(crossed):
    """The centre-of-mass mark: a ring of quarters, black and white; crossed out and grey while
    the solver has not yet computed it."""
    inside = lambda x, y: (x - 7.5) ** 2 + (y - 7.5) ** 2 <= 6.4 ** 2
    rows = []
    for y in range(16):
        row = ''
        for x in range(16):
            if not inside(x, y):
                row += '.'
            elif not all(inside(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))):
                row += '#'
            elif crossed and abs(x - y) <= 0 or crossed and abs(x + y - 15) <= 0:
                row += '#'
            else:
                dark = (x >= 8) == (y < 8)
                row += ('g' if crossed else '#') if dark else 'o'
        rows.append(row)
    return '\n'.join(rows)


COM = centre_of_mass(False)
COMX = centre_of_mass(True)

ANCHOR = """
.......##.......
......#oo#......
......#oo#......
.......##.......
.....######.....
.......##.......
.......##.......
.......##.......
.......##.......
.#.....##.....#.
.##....##....##.
..##...##...##..
...###.##.###...
.....######.....
................
................"""


def grid(text):
    rows = [row for row in text.strip('\n').split('\n')]
    assert all(len(row) == len(rows[0]) for row in rows), text
    return rows


def dib(rows, with_alpha):
    """A bottom-up 32-bit image with its AND mask, height counting both."""
    height, width = len(rows), len(rows[0])
    header = struct.pack('<IiiHHIIiiII', 40, width, 2 * height, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(rows):
        for c in row:
            r, g, b = COLOURS.get(c, (0, 0, 0))
            a = 0 if c == '.' else (255 if with_alpha else 0)
            pixels += bytes((b, g, r, a))
    mask = bytearray()
    row_bytes = ((width + 31) // 32) * 4
    for row in reversed(rows):
        bits = bytearray(row_bytes)
        for x, c in enumerate(row):
            if c == '.':
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(pixels) + bytes(mask)


def padded(rows, side=32):
    """The picture in the middle of an icon of the program's size."""
    top = (side - len(rows)) // 2
    left = (side - len(rows[0])) // 2
    blank = '.' * side
    return ([blank] * top + ['.' * left + row + '.' * (side - left - len(row)) for row in rows] +
            [blank] * (side - top - len(rows)))


def write_icon(name, text):
    rows = padded(grid(text))
    image = dib(rows, True)
    w, h = len(rows[0]), len(rows)
    directory = struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', w, h, 0, 0, 1, 32,
                                                          len(image), 22)
    with open(name, 'wb') as f:
        f.write(directory + image)


def write_cursor(name, text, hot):
    rows = grid(text)
    image = dib(rows, False)
    w, h = len(rows[0]), len(rows)
    directory = struct.pack('<HHH', 0, 2, 1) + struct.pack('<BBBBHHII', w, h, 0, 0, hot[0],
                                                          hot[1], len(image), 22)
    with open(name, 'wb') as f:
        f.write(directory + image)


def anchor_cursor(second_kind):
    """The anchor under an arrow; the second kind adds a small lock bar."""
    arrow = [
        "#...............",
        "##..............",
        "#o#.............",
        "#oo#............",
        "#ooo#...........",
        "#oooo#..........",
        "#ooooo#.........",
        "#oooooo#........",
        "#ooo####........",
        "#o#o#...........",
        "##.#o#..........",
        "....#o#.........",
        ".....#..........",
    ]
    canvas = [list('.' * 32) for _ in range(32)]
    for y, row in enumerate(arrow):
        for x, c in enumerate(row):
            canvas[y][x] = c
    for y, row in enumerate(grid(ANCHOR)):
        for x, c in enumerate(row):
            if c != '.':
                canvas[y + 12][x + 12] = c
    if second_kind:
        for x in range(12, 28):
            canvas[29][x] = '#'
            canvas[30][x] = '#'
    return '\n'.join(''.join(row) for row in canvas)


def point_cursor(icon):
    """Cross hairs whose centre is the hot spot, with the point's picture below and to the right."""
    canvas = [list('.' * 32) for _ in range(32)]
    for i in range(15):
        if abs(i - 7) > 1:
            canvas[7][i] = '#'
            canvas[i][7] = '#'
    for y, row in enumerate(grid(icon)):
        for x, c in enumerate(row):
            if c != '.':
                canvas[y + 10][x + 10] = c
    return '\n'.join(''.join(row) for row in canvas)


if __name__ == '__main__':
    write_icon('point.ico', POINT)
    write_icon('locked-point.ico', LOCKED_POINT)
    write_icon('com.ico', COM)
    write_icon('comx.ico', COMX)
    write_icon('anchor.ico', ANCHOR)
    write_cursor('anchor.cur', anchor_cursor(False), (0, 0))
    write_cursor('anchor-kind2.cur', anchor_cursor(True), (0, 0))
    write_cursor('place-point.cur', point_cursor(POINT), (7, 7))
    write_cursor('place-locked-point.cur', point_cursor(LOCKED_POINT), (7, 7))
