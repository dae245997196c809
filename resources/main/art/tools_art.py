#!/usr/bin/env python3
"""Draws the icons of the Tools menu items (16 x 16, 8-bit), one per tool.

  tool-NNNN.bmp          the tool's picture, black on the menu's face
  tool-NNNN-chosen.bmp   the same picture sunk into a dark frame: the tool in use

NNNN is the tool's command number. Run this from its folder to write the files that tools.rc
names.
"""
import math
import struct

SIDE = 16
FACE, INK, GREY, FRAME, CHOSEN = 0, 1, 2, 3, 4
PALETTE = [(0xF0, 0xF0, 0xF0), (0, 0, 0), (0x80, 0x80, 0x80), (0x40, 0x40, 0x40),
           (0xC8, 0xD4, 0xE8)]


class Canvas:
    def __init__(self):
        self.cells = {}

    def dot(self, x, y, colour=INK):
        if 0 <= x < SIDE and 0 <= y < SIDE:
            self.cells[(int(x), int(y))] = colour

    def line(self, x0, y0, x1, y1, colour=INK):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            self.dot(round(x0 + (x1 - x0) * i / steps), round(y0 + (y1 - y0) * i / steps), colour)

    def polyline(self, points, colour=INK, closed=False):
        pairs = list(zip(points, points[1:]))
        if closed:
            pairs.append((points[-1], points[0]))
        for (a, b) in pairs:
            self.line(a[0], a[1], b[0], b[1], colour)

    def rect(self, left, top, right, bottom, colour=INK):
        self.polyline([(left, top), (right, top), (right, bottom), (left, bottom)], colour, True)

    def fill(self, left, top, right, bottom, colour=INK):
        for x in range(left, right + 1):
            for y in range(top, bottom + 1):
                self.dot(x, y, colour)

    def arc(self, cx, cy, r, start, end, colour=INK):
        """An arc in degrees, counter-clockwise on the screen from start to end."""
        steps = max(int(abs(end - start) * r / 20), 8)
        points = []
        for i in range(steps + 1):
            a = math.radians(start + (end - start) * i / steps)
            points.append((round(cx + r * math.cos(a)), round(cy - r * math.sin(a))))
        self.polyline(points, colour)

    def circle(self, cx, cy, r, colour=INK):
        self.arc(cx, cy, r, 0, 360, colour)


def arrowhead(c, x, y, dx, dy, size=3):
    """A filled head at (x, y) pointing along (dx, dy)."""
    length = math.hypot(dx, dy)
    ux, uy = dx / length, dy / length
    for back in range(size + 1):
        for side in range(-back, back + 1):
            c.dot(round(x - ux * back - uy * side * 0.7), round(y - uy * back + ux * side * 0.7))


def select(c):
    c.polyline([(4, 2), (4, 13), (7, 10), (9, 14), (10, 13), (8, 9), (12, 9)], INK, True)


def select_drag(c):
    select(c)
    c.arc(8, 8, 7, 200, 300, GREY)


def vertices(c):
    points = [(2, 13), (8, 2), (13, 11)]
    c.polyline(points, GREY, True)
    for (x, y) in points:
        c.rect(x - 1, y - 1, x + 1, y + 1)


def zoom(c, plus):
    c.circle(6, 6, 4)
    c.line(9, 9, 13, 13)
    c.line(10, 9, 14, 13)
    c.line(4, 6, 8, 6)
    if plus:
        c.line(6, 4, 6, 8)


def rectangle(c):
    c.rect(1, 4, 14, 11)


def square(c):
    c.rect(3, 3, 12, 12)


def circle(c):
    c.circle(7.5, 7.5, 6)


def polygon(c):
    c.polyline([(2, 12), (4, 3), (11, 2), (14, 8), (9, 13)], INK, True)


def curved_polygon(c):
    c.arc(6, 8, 5, 90, 270)
    c.arc(10, 8, 5, -90, 90)
    c.line(6, 3, 10, 3)
    c.line(6, 13, 10, 13)


def point(c):
    c.circle(7.5, 7.5, 3.5)
    c.fill(7, 7, 8, 8)


def locked_point(c):
    c.rect(4, 4, 11, 11)
    c.fill(7, 7, 8, 8)


def anchor(c):
    c.line(7, 2, 7, 12)
    c.line(8, 2, 8, 12)
    c.line(4, 4, 11, 4)
    c.arc(7.5, 8, 5, 200, 340)
    arrowhead(c, 3, 10, -1, -1, 2)
    arrowhead(c, 12, 10, 1, -1, 2)


def line(c):
    c.line(2, 13, 13, 2)


def pin(c):
    c.circle(7.5, 7.5, 5)
    c.line(4, 4, 11, 11)
    c.line(4, 11, 11, 4)


def welded_pin(c):
    c.rect(3, 3, 12, 12)
    c.line(4, 4, 11, 11)
    c.line(4, 11, 11, 4)


def ends(c):
    c.fill(1, 7, 2, 8)
    c.fill(13, 7, 14, 8)


def rod(c):
    ends(c)
    c.line(2, 7, 13, 7)
    c.line(2, 8, 13, 8)


def rope(c):
    ends(c)
    c.polyline([(2, 8), (5, 10), (8, 10), (10, 9), (13, 8)])


def zigzag(c, left, right, top=4, bottom=11):
    points = [(left, (top + bottom) // 2)]
    x, up = left + 1, True
    while x < right:
        points.append((x, top if up else bottom))
        x, up = x + 2, not up
    points.append((right, (top + bottom) // 2))
    c.polyline(points)


def spring(c):
    ends(c)
    zigzag(c, 2, 13)


def cylinder(c, left, right):
    c.polyline([(left + 4, 5), (left, 5), (left, 10), (left + 4, 10)])
    c.line(left + 2, 6, left + 2, 9)
    c.line(left + 2, 7, right, 7)
    c.line(left - 3, 7, left, 7)


def damper(c):
    ends(c)
    c.line(2, 7, 5, 7)
    c.polyline([(10, 4), (5, 4), (5, 11), (10, 11)])
    c.line(8, 6, 8, 9)
    c.line(8, 7, 13, 7)


def spring_damper(c):
    ends(c)
    zigzag(c, 2, 13, 1, 5)
    c.polyline([(9, 9), (5, 9), (5, 14), (9, 14)])
    c.line(7, 10, 7, 13)
    c.line(7, 11, 13, 11)
    c.line(2, 11, 5, 11)


def spiral(c):
    points = []
    for i in range(60):
        a = i * 0.3
        r = 1 + a * 0.55
        points.append((round(7.5 + r * math.cos(a)), round(7.5 - r * math.sin(a))))
    c.polyline(points)


def rotational_damper(c):
    c.circle(7.5, 7.5, 6)
    c.circle(7.5, 7.5, 3)
    c.fill(7, 7, 8, 8)


def slot(c):
    c.line(1, 5, 14, 5)
    c.line(1, 10, 14, 10)
    c.circle(7.5, 7.5, 1.5)


def curved_slot(c):
    c.arc(8, 15, 11, 30, 150)
    c.arc(8, 15, 7, 30, 150)
    c.fill(7, 5, 8, 6)


def gear(c):
    c.circle(5, 6, 4)
    c.circle(11.5, 11.5, 3)
    c.fill(5, 6, 5, 6)
    c.fill(11, 11, 11, 11)


def motor(c):
    c.circle(7.5, 7.5, 2.5)
    c.arc(7.5, 7.5, 6, 0, 270)
    arrowhead(c, 13, 7, 0, -1, 2)


def actuator(c):
    c.fill(1, 7, 2, 8)
    c.polyline([(9, 4), (3, 4), (3, 11), (9, 11)])
    c.line(6, 6, 6, 9)
    c.line(6, 7, 13, 7)
    arrowhead(c, 14, 7, 1, 0, 2)


def force(c):
    c.line(1, 14, 13, 2)
    c.line(2, 14, 13, 3)
    c.line(13, 2, 7, 2)
    c.line(13, 2, 13, 8)
    c.line(12, 3, 8, 3)
    c.line(12, 3, 12, 7)


def torque(c):
    c.fill(7, 7, 8, 8)
    c.arc(7.5, 7.5, 5.5, 300, 580)
    arrowhead(c, 10, 12, 1, 0, 3)


def text(c):
    # A letter A over a line of text.
    c.line(3, 11, 7, 2)
    c.line(8, 2, 12, 11)
    c.line(5, 8, 10, 8)
    c.line(2, 13, 13, 13, GREY)


TOOLS = {
    2000: select, 2003: select_drag, 2012: vertices,
    2005: lambda c: zoom(c, True), 2006: lambda c: zoom(c, False),
    2503: rectangle, 2502: square, 2500: circle, 2511: polygon, 2557: curved_polygon,
    2505: point, 2540: locked_point, 2534: anchor, 2549: line,
    2524: pin, 2523: welded_pin, 2504: rod, 2508: rope, 2509: spring, 2516: damper, 2543: spring_damper,
    2518: spiral, 2517: rotational_damper, 2526: slot, 2546: curved_slot, 2552: gear,
    2513: motor, 2512: actuator, 2506: force, 2507: torque, 2537: text,
}


def write(name, cells, face, frame):
    stride = (SIDE + 3) // 4 * 4
    rows = []
    for y in reversed(range(SIDE)):  # bottom row first
        row = []
        for x in range(SIDE):
            edge = x in (0, SIDE - 1) or y in (0, SIDE - 1)
            if frame is not None and edge:
                row.append(frame)
            else:
                row.append(cells.get((x, y), face))
        rows.append(bytes(row) + bytes(stride - SIDE))
    image = b''.join(rows)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    info = struct.pack('<IiiHHIIiiII', 40, SIDE, SIDE, 1, 8, 0, len(image), 2835, 2835,
                       len(PALETTE), 0)
    offset = 14 + len(info) + len(palette)
    header = struct.pack('<2sIHHI', b'BM', offset + len(image), 0, 0, offset)
    with open(name, 'wb') as out:
        out.write(header + info + palette + image)


for number, draw in TOOLS.items():
    canvas = Canvas()
    draw(canvas)
    write('tool-%d.bmp' % number, canvas.cells, FACE, None)
    write('tool-%d-chosen.bmp' % number, canvas.cells, CHOSEN, FRAME)
