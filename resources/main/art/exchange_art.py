#!/usr/bin/env python3
"""Draws the icon of an external document: a sheet of another program's table, its corner
folded, with a grid of cells and a double arrow for the values that travel both ways.

Each picture is a grid of characters: '#' black, 'o' white, 'g' grey, 'b' blue, '.' transparent.
Run it from this folder to write the file that exchange.rc names.
"""
import struct

COLOURS = {'#': (0, 0, 0), 'o': (255, 255, 255), 'g': (160, 160, 160), 'b': (0, 64, 192)}


def sheet():
    canvas = [['.'] * 32 for _ in range(32)]
    left, right, top, bottom, fold = 5, 26, 0, 24, 7
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            if x > right - fold + (y - top) and y < top + fold:
                continue  # cut off by the folded corner
            edge = x in (left, right) or y in (top, bottom) or x - (right - fold) == y - top
            canvas[y][x] = '#' if edge else 'o'
    # The fold itself.
    for y in range(top, top + fold + 1):
        canvas[y][right - fold] = '#'
    for x in range(right - fold, right + 1):
        canvas[top + fold][x] = '#'
    # Cells: grey rules, a blue header row.
    for y in range(10, 23):
        for x in range(left + 3, right - 2):
            if y == 10 or y == 22 or (y - 10) % 4 == 0 or x in (left + 3, right - 3) or (x - left - 3) % 6 == 0:
                canvas[y][x] = 'g'
            elif y < 14:
                canvas[y][x] = 'b'
    # A double arrow on the lower right: values go out and come back.
    for x in range(6, 26):
        canvas[28][x] = 'b'
        canvas[29][x] = 'b'
    for d in range(1, 3):
        for y in (28 - d, 29 + d):
            canvas[y][6 + d] = 'b'
            canvas[y][25 - d] = 'b'
    return [''.join(row) for row in canvas]


def dib(rows):
    """A bottom-up 32-bit image with its AND mask, height counting both."""
    height, width = len(rows), len(rows[0])
    header = struct.pack('<IiiHHIIiiII', 40, width, 2 * height, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(rows):
        for c in row:
            r, g, b = COLOURS.get(c, (0, 0, 0))
            pixels += bytes((b, g, r, 0 if c == '.' else 255))
    mask = bytearray()
    row_bytes = ((width + 31) // 32) * 4
    for row in reversed(rows):
        bits = bytearray(row_bytes)
        for x, c in enumerate(row):
            if c == '.':
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(pixels) + bytes(mask)


def write_icon(name, rows):
    image = dib(rows)
    w, h = len(rows[0]), len(rows)
    directory = struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', w, h, 0, 0, 1, 32,
                                                          len(image), 22)
    with open(name, 'wb') as f:
        f.write(directory + image)


if __name__ == '__main__':
    write_icon('external-doc.ico', sheet())
