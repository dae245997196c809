#!/usr/bin/env python3
"""Draws the icons a gear shows at the centres of its two bodies: a cog for an outside gear and a
ring with its teeth inward for the ring gear of an internal pair, each also highlighted (drawn
in reverse) for a selected gear. Each picture is a grid of characters as in points_art.py, which
writes the files; run it from this folder to write the files that gears.rc names.
"""
import math

from points_art import write_icon

TEETH = 6


def cog(inward):
    """A toothed ring about the centre of a 16 x 16 grid; the teeth point out, or in for a ring
    gear. The hub is a small hole."""
    rows = []
    for y in range(16):
        row = ''
        for x in range(16):
            dx, dy = x - 7.5, y - 7.5
            r = math.hypot(dx, dy)
            tooth = math.cos(TEETH * math.atan2(dy, dx)) > -0.3
            if inward:
                filled = 5.0 <= r <= 7.6 or (tooth and 3.4 <= r < 5.0)
            else:
                filled = 1.6 <= r <= 5.4 or (tooth and 5.4 < r <= 7.8)
            if not filled:
                row += '.'
                continue
            edge = False
            for ex, ey in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                nx, ny = dx + ex, dy + ey
                nr = math.hypot(nx, ny)
                ntooth = math.cos(TEETH * math.atan2(ny, nx)) > -0.3
                if inward:
                    nfilled = 5.0 <= nr <= 7.6 or (ntooth and 3.4 <= nr < 5.0)
                else:
                    nfilled = 1.6 <= nr <= 5.4 or (ntooth and 5.4 < nr <= 7.8)
                edge = edge or not nfilled
            row += '#' if edge else 'o'
        rows.append(row)
    return '\n' + '\n'.join(rows)


def highlighted(picture):
    """The same picture in reverse: a selected gear."""
    swap = {'#': 'o', 'o': '#', '.': '.'}
    return ''.join(swap.get(c, c) for c in picture)


if __name__ == '__main__':
    write_icon('gear.ico', cog(False))
    write_icon('gear-internal.ico', cog(True))
    write_icon('gear-hilite.ico', highlighted(cog(False)))
    write_icon('gear-internal-hilite.ico', highlighted(cog(True)))
