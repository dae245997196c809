#!/usr/bin/env python3
"""Draws the cursors of the world view and the icon of its frame of reference.

Cursors (32 x 32, hot spot in brackets):
  handle.cur      four arrows: a selection handle resizes or moves (centre)
  label.cur       a text bar: a name label is edited (centre)
  grab.cur        a closed hand: something is being dragged (palm)
  pointing.cur    a pointing hand: a click on the running world stops it (finger tip)
  zoom-in.cur     a magnifying glass with a plus (centre of the glass)
  zoom-out.cur    a magnifying glass with a minus (centre of the glass)
  vertex.cur      cross hairs with a small square: vertices are edited (centre)
  track.cur       thin cross hairs: a tracker follows the mouse (centre)
  click-points.cur  cross hairs with a dot beside: points are given click by click (centre)
Icons:
  frame-of-reference.ico  the two axes of the frame crossing at its origin, arrows on x and y
  rotation-centre.ico     a ring round a cross: the centre the rotate tool turns about

Each picture is a grid of characters as in points_art.py, which writes the files; run this from
its folder to write the files that world-view.rc names.
"""
from points_art import write_cursor, write_icon

SIDE = 32


def canvas():
    return [['.'] * SIDE for _ in range(SIDE)]


def text(rows):
    return '\n'.join(''.join(row) for row in rows)


def put(rows, x, y, c):
    if 0 <= x < SIDE and 0 <= y < SIDE:
        rows[y][x] = c


def outlined(rows):
    """Every black pixel gets a white rim, so the cursor shows on dark and light alike."""
    rim = [row[:] for row in rows]
    for y in range(SIDE):
        for x in range(SIDE):
            if rows[y][x] != '#':
                continue
            for dx in (-1, 0, 1):
                for dy in (-1, 0, 1):
                    if 0 <= x + dx < SIDE and 0 <= y + dy < SIDE and rim[y + dy][x + dx] == '.':
                        rim[y + dy][x + dx] = 'o'
    return rim


def handle_cursor():
    rows = canvas()
    c = 15
    for d in range(-10, 11):
        put(rows, c + d, c, '#')
        put(rows, c, c + d, '#')
    for k in range(1, 4):  # arrow heads at the four ends
        for s in (-1, 1):
            put(rows, c - 10 + k, c + s * k, '#')
            put(rows, c + 10 - k, c + s * k, '#')
            put(rows, c + s * k, c - 10 + k, '#')
            put(rows, c + s * k, c + 10 - k, '#')
    return outlined(rows), (c, c)


def label_cursor():
    rows = canvas()
    c = 15
    for y in range(c - 8, c + 9):
        put(rows, c, y, '#')
    for x in (c - 3, c - 2, c - 1, c + 1, c + 2, c + 3):
        put(rows, x, c - 9, '#')
        put(rows, x, c + 9, '#')
    put(rows, c - 2, c, '#')
    put(rows, c + 2, c, '#')
    put(rows, c - 1, c, '#')
    put(rows, c + 1, c, '#')
    return outlined(rows), (c, c)


GRAB = """
................................
................................
................................
................................
................................
................................
................................
................................
...........##.##.##.............
..........#oo#oo#oo##...........
..........#oooooooo#o#..........
.........##oooooooooo#..........
........#o#oooooooooo#..........
........#ooooooooooooo#.........
........#ooooooooooooo#.........
.........#oooooooooooo#.........
.........#ooooooooooo#..........
..........#oooooooooo#..........
...........#oooooooo#...........
...........#oooooooo#...........
...........##########...........
................................
................................
................................
................................
................................
................................
................................
................................
................................
................................
................................"""

POINTING = """
................................
.....##.........................
....#oo#........................
....#oo#........................
....#oo#........................
....#oo#........................
....#oo###......................
....#oo#oo###...................
....#oo#oo#oo##.................
....#oo#oo#oo#o#................
.##.#oo#oo#oo#oo#...............
#oo##oooooooo#oo#...............
#ooo#ooooooooooo#...............
.#oo#ooooooooooo#...............
..#ooooooooooooo#...............
..#oooooooooooo#................
...#ooooooooooo#................
...#oooooooooo#.................
....#ooooooooo#.................
....#ooooooooo#.................
....###########.................
................................
................................
................................
................................
................................
................................
................................
................................
................................
................................
................................"""


def zoom_cursor(plus):
    rows = canvas()
    cx, cy, r = 12, 12, 8
    for y in range(SIDE):
        for x in range(SIDE):
            d = ((x - cx) ** 2 + (y - cy) ** 2) ** 0.5
            if r - 1 <= d <= r + 0.5:
                rows[y][x] = '#'
            elif d < r - 1:
                rows[y][x] = 'o'
    for k in range(0, 9):  # the handle, two pixels wide
        for w in (0, 1):
            put(rows, cx + 6 + k + w, cy + 6 + k, '#')
            put(rows, cx + 6 + k, cy + 6 + k + w, '#')
    for d in range(-4, 5):
        put(rows, cx + d, cy, '#')
        if plus:
            put(rows, cx, cy + d, '#')
    return outlined(rows), (cx, cy)


def vertex_cursor():
    rows = canvas()
    c = 15
    for d in range(-12, 13):
        if abs(d) > 4:
            put(rows, c + d, c, '#')
            put(rows, c, c + d, '#')
    for d in range(-3, 4):  # the vertex: a hollow square around the hot spot
        for e in (-3, 3):
            put(rows, c + d, c + e, '#')
            put(rows, c + e, c + d, '#')
    put(rows, c, c, '#')
    return outlined(rows), (c, c)


def track_cursor():
    rows = canvas()
    c = 15
    for d in range(-11, 12):
        if abs(d) > 1:
            put(rows, c + d, c, '#')
            put(rows, c, c + d, '#')
    put(rows, c, c, '#')
    return outlined(rows), (c, c)


def click_points_cursor():
    rows, hot = track_cursor()
    rows = [[ch if ch != 'o' else '.' for ch in row] for row in rows]
    for x in range(20, 24):  # a filled dot below right: one more point to come
        for y in range(20, 24):
            put(rows, x, y, '#')
    return outlined(rows), hot


ROTATION_CENTRE = """
.....######.....
...##oooooo##...
..#oo##oo##oo#..
.#oo#..#o..#oo#.
.#o#...#o...#o#.
#oo#...#o...#oo#
#o#....#o....#o#
#o#######o####o#
#o#....#o....#o#
#oo#...#o...#oo#
.#o#...#o...#o#.
.#oo#..#o..#oo#.
..#oo##oo##oo#..
...##oooooo##...
.....######.....
................"""


FRAME_OF_REFERENCE = """
.......#........
......#o#.......
.....#ooo#......
......#o#.......
......#o#.......
......#o#...#...
......#o#...##..
..#####o#####o#.
.#ooooooooooooo#
..#####o#####o#.
......#o#...##..
......#o#...#...
......#o#.......
......#o#.......
......###.......
................"""


def grid_rows(picture):
    return [list(row) for row in picture.strip('\n').split('\n')]


if __name__ == '__main__':
    for name, (rows, hot) in (('handle.cur', handle_cursor()),
                              ('label.cur', label_cursor()),
                              ('zoom-in.cur', zoom_cursor(True)),
                              ('zoom-out.cur', zoom_cursor(False)),
                              ('vertex.cur', vertex_cursor()),
                              ('track.cur', track_cursor()),
                              ('click-points.cur', click_points_cursor())):
        write_cursor(name, text(rows), hot)
    write_cursor('grab.cur', GRAB, (15, 14))
    write_cursor('pointing.cur', POINTING, (5, 1))
    write_icon('frame-of-reference.ico', FRAME_OF_REFERENCE)
    write_icon('rotation-centre.ico', ROTATION_CENTRE)
