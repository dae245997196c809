#!/usr/bin/env python3
"""Draws the icons rotational constraints show at their primary point: a coiled spring, a damper,
a motor and a plain turning arrow for the kinds without a picture of their own, each with a
locked variant that carries a bar across its foot. Each picture is a
grid of characters as in points_art.py, which writes the files; run it from this folder to write
the files that constraints.rc names. The cursors of a rotational constraint being dragged show the
spring under cross hairs, with the bar when the constraint is locked.
"""
from points_art import point_cursor, write_cursor, write_icon

SPRING = """
................
.....######.....
...##oooooo##...
..#oo######oo#..
.#o##......##o#.
.#o#..####..#o#.
#o#..#oooo#..#o#
#o#.#o####o#.#o#
#o#.#o#..#o#.#o#
#o#.#o#.##o#.#o#
#o#..#o#oo#..#o#
.#o#..#oo#...#o#
.#o##..##...#o#.
..#oo#.....#o#..
...##.......#...
................"""

DAMPER = """
................
......####......
....##oooo##....
...#oo####oo#...
..#o#......#o#..
.#o#...##...#o#.
.#o#..#oo#..#o#.
#o#..#oooo#..#o#
#o#..#oooo#..#o#
.#o#..#oo#..#o#.
.#o#...##...#o#.
..#o#......#o#..
...#oo####oo#...
....##oooo##....
......####......
................"""

MOTOR = """
................
......####......
....##oooo##....
...#oo####oo#...
..#o#..##..#o#..
.#o#..#oo#..#o#.
.#o#..#oo#..#o#.
#o#.##oooo##.#o#
#o#.#oooooo#.#o#
.#o#..#oo#..#o#.
.#o#..#oo#..##..
..#o#..##..#oo#.
...#oo####oooo#.
....##oooo##oo#.
......####..##..
................"""

# The mark of a rotational constraint of no picture of its own (a rotational rope): a ring
# broken at its top, an arrow head at one end, turning about the point.
TURN = """
................
.....###.###....
...##ooo#oo#....
..#oo###.#oo#...
.#o##....#o#....
.#o#.....##.....
#o#.............
#o#....##.......
#o#...#oo#......
#o#...#oo#......
.#o#...##...#o#.
.#o##......##o#.
..#oo######oo#..
...##oooooo##...
.....######.....
................"""


def locked(picture):
    """The same picture with a bar across its foot: the constraint turns with its body."""
    rows = picture.strip('\n').split('\n')
    rows[-2] = '################'
    rows[-1] = '#oooooooooooooo#'
    return '\n' + '\n'.join(rows)


if __name__ == '__main__':
    write_icon('rotational-spring.ico', SPRING)
    write_icon('rotational-spring-locked.ico', locked(SPRING))
    write_icon('rotational-damper.ico', DAMPER)
    write_icon('rotational-damper-locked.ico', locked(DAMPER))
    write_icon('motor.ico', MOTOR)
    write_icon('rotational.ico', TURN)
    write_icon('rotational-locked.ico', locked(TURN))
    write_cursor('turn.cur', point_cursor(SPRING), (7, 7))
    write_cursor('turn-locked.cur', point_cursor(locked(SPRING)), (7, 7))
