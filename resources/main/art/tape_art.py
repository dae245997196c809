#!/usr/bin/env python3
"""Draws the buttons of the tape at the foot of a document window (14 x 14, 8-bit).

  tape-run.bmp            a triangle pointing right: run forwards
  tape-stop.bmp           a square: stop the run
  tape-play-back.bmp      a triangle pointing left: play the recording back
  tape-step-forward.bmp   a triangle against a bar on the right: one frame forwards
  tape-step-back.bmp      a triangle against a bar on the left: one frame back
  tape-*-grey.bmp         play back and step back greyed, while the first frame is on view
  tape-*-pressed.bmp      each button held down: a light glyph on a dark face

Run this from its folder to write the files that tape.rc names.
"""
import struct

SIDE = 14
FACE, GLYPH, GREY, DARK, LIGHT = 0, 1, 2, 3, 4
PALETTE = [(0xD4, 0xD0, 0xC8), (0, 0, 0), (0x90, 0x90, 0x90), (0x40, 0x40, 0x40),
           (0xFF, 0xFF, 0xFF)]


def glyph(kind):
    """The glyph's pixels as a set of (x, y)."""
    cells = set()
    if kind == 'stop':
        return {(x, y) for x in range(4, 10) for y in range(4, 10)}
    # A triangle 7 high pointing right or left, with an optional bar beside it.
    right = kind in ('run', 'step-forward')
    left_edge = 4 if kind in ('run', 'play-back') else (3 if right else 6)
    for row in range(7):
        reach = 3 - abs(row - 3)
        for dx in range(reach + 1):
            x = left_edge + dx if right else left_edge + 3 - dx
            cells.add((x + (1 if kind == 'run' else 0), 3 + row))
    if kind == 'step-forward':
        cells |= {(x, y) for x in (8, 9) for y in range(3, 10)}
    if kind == 'step-back':
        cells |= {(x, y) for x in (4, 5) for y in range(3, 10)}
    return cells


def write(name, kind, face, ink):
    cells = glyph(kind)
    stride = (SIDE + 3) // 4 * 4
    rows = []
    for y in reversed(range(SIDE)):  # bottom row first
        row = bytes(ink if (x, y) in cells else face for x in range(SIDE))
        rows.append(row + bytes(stride - SIDE))
    image = b''.join(rows)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    info = struct.pack('<IiiHHIIiiII', 40, SIDE, SIDE, 1, 8, 0, len(image), 2835, 2835,
                       len(PALETTE), 0)
    offset = 14 + len(info) + len(palette)
    header = struct.pack('<2sIHHI', b'BM', offset + len(image), 0, 0, offset)
    with open(name, 'wb') as out:
        out.write(header + info + palette + image)


for kind in ('run', 'stop', 'play-back', 'step-forward', 'step-back'):
    write('tape-%s.bmp' % kind, kind, FACE, GLYPH)
    write('tape-%s-pressed.bmp' % kind, kind, DARK, LIGHT)
for kind in ('play-back', 'step-back'):
    write('tape-%s-grey.bmp' % kind, kind, FACE, GREY)
