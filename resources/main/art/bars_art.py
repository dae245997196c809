#!/usr/bin/env python3
"""Draws the images of the main frame's other tool bars and tool palettes, one strip per bar,
with the drawing helpers below (lines, rectangles, circles, a small letter set). Run it from
this folder to write the files that toolbars.rc names.
"""
import math
import struct

COLOURS = {
    '.': (192, 192, 192), '#': (0, 0, 0), 'o': (255, 255, 255), 'd': (128, 128, 128),
    'b': (0, 0, 160), 'g': (0, 128, 0), 'r': (192, 0, 0), 'y': (255, 224, 0),
}


class Picture:
    def __init__(self, width=16, height=15):
        self.width, self.height = width, height
        self.rows = [['.'] * width for _ in range(height)]

    def dot(self, x, y, c='#'):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.rows[y][x] = c

    def line(self, x0, y0, x1, y1, c='#'):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.dot(x0, y0, c)
            if (x0, y0) == (x1, y1):
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def box(self, x0, y0, x1, y1, c='#', fill=None):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                edge = x in (x0, x1) or y in (y0, y1)
                if edge:
                    self.dot(x, y, c)
                elif fill:
                    self.dot(x, y, fill)

    def ring(self, cx, cy, r, c='#', fill=None):
        for y in range(self.height):
            for x in range(self.width):
                d = math.hypot(x - cx, y - cy)
                if abs(d - r) < 0.5:
                    self.dot(x, y, c)
                elif fill and d < r:
                    self.dot(x, y, fill)

    def path(self, points, c='#', closed=False):
        ends = points + [points[0]] if closed else points
        for (x0, y0), (x1, y1) in zip(ends, ends[1:]):
            self.line(x0, y0, x1, y1, c)

    def zigzag(self, x0, x1, y, c='#'):
        points = [(x0, y)] + [(x, y - 2 if i % 2 else y + 2) for i, x in
                              enumerate(range(x0 + 2, x1 - 1, 2))] + [(x1, y)]
        self.path(points, c)

    def text(self, x, y, word, c='#'):
        for letter in word:
            for row, bits in enumerate(LETTERS[letter]):
                for col, bit in enumerate(bits):
                    if bit == '1':
                        self.dot(x + col, y + row, c)
            x += len(LETTERS[letter][0]) + 1


LETTERS = {
    'R': ['110', '101', '110', '101', '101'], 'u': ['000', '101', '101', '101', '011'],
    'n': ['000', '110', '101', '101', '101'], 'S': ['011', '100', '010', '001', '110'],
    't': ['010', '111', '010', '010', '001'], 'o': ['000', '010', '101', '101', '010'],
    'p': ['000', '110', '101', '110', '100'], 'e': ['000', '010', '111', '100', '011'],
    's': ['000', '011', '110', '001', '110'],
}


def draw(function, width=16):
    picture = Picture(width)
    function(picture)
    return picture


# Bodies: circle, square, polygon, curved polygon, rectangle, anchor.
BODIES = [
    lambda p: p.ring(7.5, 7, 5.5, '#', 'b'),
    lambda p: p.box(3, 2, 12, 11, '#', 'b'),
    lambda p: p.path([(2, 12), (5, 2), (13, 4), (11, 12)], '#', True),
    lambda p: (p.path([(2, 12), (4, 4), (8, 2), (13, 5)], '#'), p.path([(13, 5), (13, 12), (2, 12)], '#')),
    lambda p: p.box(1, 4, 14, 10, '#', 'b'),
    lambda p: (p.box(3, 9, 12, 12, '#', 'd'), p.line(7, 2, 7, 9), p.line(8, 2, 8, 9),
               *(p.line(x, 13, x + 1, 14) for x in range(3, 13, 2))),
]

# Editing tools: select, select and turn, zoom in, zoom out.
def arrow(p, x=3, y=1):
    p.path([(x, y), (x, y + 10), (x + 3, y + 7), (x + 6, y + 11), (x + 7, y + 10), (x + 5, y + 6),
            (x + 8, y + 6)], '#', True)


EDITING = [
    lambda p: arrow(p),
    lambda p: (p.ring(7.5, 7.5, 5, '#'), p.box(6, 1, 9, 3, '.', '.'), p.path([(10, 0), (10, 3), (13, 3)], 'r')),
    lambda p: (p.ring(6, 6, 4.5, '#', 'o'), p.line(9, 9, 13, 13), p.line(10, 9, 14, 13),
               p.line(4, 6, 8, 6, 'b'), p.line(6, 4, 6, 8, 'b')),
    lambda p: (p.ring(6, 6, 4.5, '#', 'o'), p.line(9, 9, 13, 13), p.line(10, 9, 14, 13),
               p.line(4, 6, 8, 6, 'b')),
]

# Constraints: rotational spring, spring, rotational damper, damper, gear pair, spring-damper,
# torque, force, motor, actuator, rope, separator, pulley-style joint, rod.
def bodies(p):
    p.box(0, 5, 2, 9, '#', 'b')
    p.box(13, 5, 15, 9, '#', 'b')


def damper(p, y=7):
    p.line(2, y, 6, y)
    p.path([(6, y - 3), (11, y - 3), (11, y + 3), (6, y + 3)], '#')
    p.line(8, y - 2, 8, y + 2)
    p.line(8, y, 13, y)


CONSTRAINTS = [
    lambda p: (p.ring(7.5, 7.5, 5, 'g'), p.ring(7.5, 7.5, 2.5, 'g'), p.dot(7, 7), p.dot(8, 8)),
    lambda p: (bodies(p), p.zigzag(2, 13, 7, 'g')),
    lambda p: (p.ring(7.5, 7.5, 5, 'r'), p.box(6, 6, 9, 9, '#', 'd')),
    lambda p: (bodies(p), damper(p)),
    lambda p: (p.ring(5, 7, 4, '#', 'd'), p.ring(11.5, 7, 3, '#', 'd'), p.dot(5, 7), p.dot(11, 7)),
    lambda p: (bodies(p), p.zigzag(2, 13, 4, 'g'), damper(p, 10)),
    lambda p: (p.ring(7.5, 7.5, 5, 'r'), p.box(7, 1, 9, 3, '.', '.'), p.path([(4, 1), (4, 4), (1, 4)], 'r'),
               p.dot(7, 7), p.dot(8, 8)),
    lambda p: (p.line(1, 7, 12, 7, 'r'), p.line(1, 8, 12, 8, 'r'), p.path([(10, 4), (14, 7), (10, 11)], 'r')),
    lambda p: (p.ring(7.5, 7.5, 5.5, '#', 'y'), p.box(6, 5, 9, 10, '#', 'r')),
    lambda p: (bodies(p), p.box(3, 5, 8, 9, '#', 'd'), p.line(8, 7, 13, 7), p.line(8, 6, 13, 6)),
    lambda p: (bodies(p), p.path([(2, 7), (5, 10), (9, 10), (13, 7)], 'y'), p.path([(2, 6), (5, 9), (9, 9), (13, 6)], '#')),
    lambda p: (bodies(p), p.ring(7.5, 7.5, 2.5, '#', 'o'), p.line(2, 7, 5, 7), p.line(10, 7, 13, 7)),
    lambda p: (p.ring(7.5, 7.5, 5.5, '#', 'o'), p.line(3, 7, 12, 7, 'r'), p.line(7, 3, 7, 12, 'r')),
    lambda p: (bodies(p), p.box(2, 6, 13, 8, '#', 'd')),
]

# The run controls, wide enough for their words: run, stop, reset.
RUN = [
    lambda p: (p.path([(2, 3), (2, 11), (8, 7)], 'g', True), p.line(3, 5, 3, 9, 'g'), p.line(4, 5, 4, 9, 'g'),
               p.line(5, 6, 5, 8, 'g'), p.text(14, 5, 'Run')),
    lambda p: (p.box(2, 3, 9, 10, '#', 'r'), p.text(14, 5, 'Stop')),
    lambda p: (p.line(2, 3, 2, 11), p.line(3, 3, 3, 11), p.path([(9, 3), (4, 7), (9, 11)], 'b', True),
               p.text(13, 5, 'Reset')),
]

# Joining: separate and join.
JOINING = [
    lambda p: (p.box(0, 3, 5, 11, '#', 'b'), p.box(10, 3, 15, 11, '#', 'b'), p.line(7, 1, 7, 13, 'd')),
    lambda p: (p.box(0, 3, 7, 11, '#', 'b'), p.box(8, 3, 15, 11, '#', 'b'), p.ring(7.5, 7, 1.5, 'y', 'y')),
]

# Points: point, locked point, line, edit vertices.
POINTS = [
    lambda p: (p.ring(7.5, 7.5, 3, '#', 'o'), p.dot(7, 7), p.dot(8, 8)),
    lambda p: (p.ring(7.5, 7.5, 3, '#', 'd'), p.line(3, 3, 12, 12, 'r'), p.line(3, 12, 12, 3, 'r')),
    lambda p: (p.line(2, 12, 13, 3), p.ring(2.5, 12, 1.5, '#', 'o'), p.ring(13, 3.5, 1.5, '#', 'o')),
    lambda p: (p.path([(2, 12), (5, 3), (13, 6), (10, 12)], 'd', True),
               *(p.box(x - 1, y - 1, x + 1, y + 1, '#', 'o') for x, y in [(2, 12), (5, 3), (13, 6), (10, 12)])),
]

# Joints: pin, welded pin, slot, curved slot.
JOINTS = [
    lambda p: (p.box(1, 1, 9, 9, '#', 'b'), p.box(6, 6, 14, 14, '#', 'd'), p.ring(7.5, 7.5, 1.5, '#', 'o')),
    lambda p: (p.box(1, 1, 9, 9, '#', 'b'), p.box(6, 6, 14, 14, '#', 'd'), p.box(4, 4, 11, 11, '#', 'o'),
               p.line(5, 5, 10, 10), p.line(5, 10, 10, 5)),
    lambda p: (p.box(1, 5, 14, 9, '#', 'o'), p.ring(9.5, 7, 1.5, '#', 'r')),
    lambda p: (p.ring(7.5, 14, 9.5, '#'), p.ring(7.5, 14, 7, '#'), p.ring(4, 7, 1.2, 'r', 'r')),
]

# Display switches: grid, rulers, coordinates bar, scroll bars, frame tape, help line.
DISPLAY = [
    lambda p: [p.dot(x, y, 'b') for x in range(1, 15, 3) for y in range(1, 15, 3)],
    lambda p: (p.box(0, 0, 15, 3, '#', 'y'), p.box(0, 0, 3, 14, '#', 'y'),
               *(p.dot(x, 2) for x in range(5, 15, 2)), *(p.dot(2, y) for y in range(5, 14, 2))),
    lambda p: (p.box(0, 9, 15, 13, '#', 'o'), p.line(2, 11, 5, 11, 'b'), p.line(8, 11, 12, 11, 'b')),
    lambda p: (p.box(0, 10, 15, 14, '#', 'd'), p.box(5, 11, 9, 13, '#', 'o'), p.box(11, 0, 15, 9, '#', 'd')),
    lambda p: (p.box(0, 4, 15, 10, '#', 'o'), *(p.line(x, 5, x, 9, 'd') for x in range(3, 15, 3)),
               p.box(6, 3, 8, 11, 'r')),
    lambda p: (p.box(0, 10, 15, 14, '#', 'o'), p.text(2, 4, 'o'), p.line(5, 12, 13, 12, 'd')),
]


def strip_bitmap(pictures):
    palette = list(COLOURS)
    width = sum(p.width for p in pictures)
    height = pictures[0].height
    columns = [row_of for p in pictures for row_of in range(p.width)]
    owners = [p for p in pictures for _ in range(p.width)]
    row_bytes = (width + 1) // 2
    row_bytes = (row_bytes + 3) // 4 * 4
    pixels = b''
    for y in reversed(range(height)):  # bottom row first
        indices = [palette.index(owners[x].rows[y][columns[x]]) for x in range(width)] + [0]
        row = bytes(indices[i] << 4 | indices[i + 1] for i in range(0, width, 2))
        pixels += row.ljust(row_bytes, b'\0')
    colours = b''.join(struct.pack('<BBBB', b, g, r, 0)
                       for r, g, b in [COLOURS[key] for key in palette] + [(0, 0, 0)] * (16 - len(palette)))
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 4, 0, len(pixels), 0, 0, 16, 0)
    offset = 14 + len(info) + len(colours)
    header = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    return header + info + colours + pixels


BARS = {
    'bodies-palette.bmp': (BODIES, 16), 'editing-bar.bmp': (EDITING, 16),
    'constraints-palette.bmp': (CONSTRAINTS, 16), 'run-bar.bmp': (RUN, 39),
    'joining-bar.bmp': (JOINING, 16), 'points-palette.bmp': (POINTS, 16),
    'joints-palette.bmp': (JOINTS, 16), 'display-bar.bmp': (DISPLAY, 16),
}

if __name__ == '__main__':
    for name, (functions, width) in BARS.items():
        with open(name, 'wb') as out:
            out.write(strip_bitmap([draw(function, width) for function in functions]))
