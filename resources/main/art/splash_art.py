#!/usr/bin/env python3
"""Draws the start-up picture: a pendulum swinging over a spring-mounted block on hatched
ground, under a pale sky, with a panel on the left where the program writes its name and
version. 520 x 344 pixels, 8 bits a pixel with its own palette. Run it from this folder to write
splash.bmp, which shell.rc names as bitmap 106.
"""
import math
import struct

WIDTH, HEIGHT = 520, 344

# The palette: a sky ramp first, then the drawing colours.
PALETTE = []
for i in range(64):
    t = i / 63
    PALETTE.append((int(200 + 45 * t), int(222 + 28 * t), 255))  # sky, darker at the top
INK, PANEL, PANEL_EDGE, ROD, BOB, BOB_LIGHT, BLOCK, SPRING, GROUND, HATCH, PIVOT = range(64, 75)
PALETTE += [(20, 30, 60), (250, 250, 244), (150, 160, 180), (60, 60, 70), (200, 60, 40),
            (240, 140, 110), (60, 110, 170), (40, 40, 40), (120, 100, 70), (80, 65, 45),
            (30, 30, 30)]
while len(PALETTE) < 256:
    PALETTE.append((0, 0, 0))

pixels = [[0] * WIDTH for _ in range(HEIGHT)]


def put(x, y, colour):
    if 0 <= x < WIDTH and 0 <= y < HEIGHT:
        pixels[y][x] = colour


def rect(left, top, right, bottom, colour):
    for y in range(top, bottom):
        for x in range(left, right):
            put(x, y, colour)


def line(x0, y0, x1, y1, colour, width=1):
    steps = int(max(abs(x1 - x0), abs(y1 - y0))) + 1
    for s in range(steps + 1):
        x = x0 + (x1 - x0) * s / steps
        y = y0 + (y1 - y0) * s / steps
        for dx in range(-(width // 2), width - width // 2):
            for dy in range(-(width // 2), width - width // 2):
                put(int(round(x)) + dx, int(round(y)) + dy, colour)


def disc(cx, cy, r, colour):
    for y in range(cy - r, cy + r + 1):
        for x in range(cx - r, cx + r + 1):
            if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                put(x, y, colour)


# Sky.
for y in range(HEIGHT):
    shade = min(63, y * 63 // 260)
    for x in range(WIDTH):
        pixels[y][x] = shade
# Ground with hatching.
rect(0, 290, WIDTH, HEIGHT, GROUND)
for x in range(-60, WIDTH, 12):
    line(x, HEIGHT, x + 50, 292, HATCH)
line(0, 290, WIDTH, 290, INK, 2)
# The panel where the identification lines go (centred on x = 110).
rect(14, 78, 206, 282, PANEL)
for x0, y0, x1, y1 in ((14, 78, 205, 78), (14, 281, 205, 281), (14, 78, 14, 281), (205, 78, 205, 281)):
    line(x0, y0, x1, y1, PANEL_EDGE)
# A support beam and the pendulum, swung out.
rect(240, 40, 500, 52, ROD)
pivot = (330, 52)
angle = math.radians(28)
length = 150
bob = (int(pivot[0] + length * math.sin(angle)), int(pivot[1] + length * math.cos(angle)))
for a in (-28, -14, 0, 14):  # faint earlier positions
    r = math.radians(a)
    line(pivot[0], pivot[1], pivot[0] + length * math.sin(r), pivot[1] + length * math.cos(r), 58)
line(pivot[0], pivot[1], bob[0], bob[1], ROD, 3)
disc(bob[0], bob[1], 18, BOB)
disc(bob[0] - 5, bob[1] - 6, 6, BOB_LIGHT)
disc(pivot[0], pivot[1], 5, PIVOT)
# A block on a spring, hanging from the beam.
anchor_x, spring_top, spring_bottom = 450, 52, 170
points = [(anchor_x, spring_top)]
coils = 9
for i in range(1, coils * 2):
    y = spring_top + 10 + (spring_bottom - spring_top - 20) * i / (coils * 2)
    points.append((anchor_x + (12 if i % 2 else -12), y))
points.append((anchor_x, spring_bottom))
for (x0, y0), (x1, y1) in zip(points, points[1:]):
    line(x0, y0, x1, y1, SPRING, 2)
rect(420, 170, 481, 222, BLOCK)
line(420, 170, 480, 170, INK)
line(420, 221, 480, 221, INK)
line(420, 170, 420, 221, INK)
line(480, 170, 480, 221, INK)

# The file: header, info header, palette, rows bottom up, each padded to four bytes.
row_size = (WIDTH + 3) & ~3
image = bytearray()
for y in range(HEIGHT - 1, -1, -1):
    image += bytes(pixels[y]) + bytes(row_size - WIDTH)
palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
info = struct.pack('<IiiHHIIiiII', 40, WIDTH, HEIGHT, 1, 8, 0, len(image), 2835, 2835, 256, 0)
offset = 14 + len(info) + len(palette)
header = struct.pack('<2sIHHI', b'BM', offset + len(image), 0, 0, offset)
with open('splash.bmp', 'wb') as out:
    out.write(header + info + palette + image)
