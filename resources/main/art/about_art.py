#!/usr/bin/env python3
"""Draws the side picture of the about box: a wheel rolling down a slope towards a block held by
a spring against a wall, under a sky that darkens upwards. 214 x 343 pixels, 8 bits a pixel with
a full 256-entry palette. Run it from this folder to write about.bmp, which shell.rc names as
bitmap 111.
"""
import math
import struct

WIDTH, HEIGHT = 214, 343

PALETTE = []
for i in range(64):
    t = i / 63
    PALETTE.append((int(170 + 80 * t), int(200 + 50 * t), 255))  # sky, darker at the top
INK, SLOPE, SLOPE_EDGE, WHEEL, WHEEL_LIGHT, SPOKE, HUB, BLOCK, SPRING, WALL, BRICK, TRAIL = \
    range(64, 76)
PALETTE += [(20, 30, 60), (150, 130, 95), (95, 80, 55), (60, 110, 170), (140, 180, 225),
            (235, 235, 240), (30, 30, 30), (200, 70, 45), (40, 40, 40), (160, 160, 165),
            (120, 120, 128), (120, 150, 200)]
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
    for y in range(int(cy - r), int(cy + r) + 1):
        for x in range(int(cx - r), int(cx + r) + 1):
            if (x - cx) ** 2 + (y - cy) ** 2 <= r * r:
                put(x, y, colour)


# Sky.
for y in range(HEIGHT):
    shade = min(63, y * 63 // 300)
    for x in range(WIDTH):
        pixels[y][x] = shade
# The slope, from the upper left down to the floor on the right.
top_y, foot_y = 150, 300
for x in range(WIDTH):
    surface = top_y + (foot_y - top_y) * min(x, 170) / 170
    for y in range(int(surface), HEIGHT):
        put(x, y, SLOPE)
line(0, top_y, 170, foot_y, SLOPE_EDGE, 2)
line(170, foot_y, WIDTH, foot_y, SLOPE_EDGE, 2)
slope = math.atan2(foot_y - top_y, 170)
# The wall at the right with its bricks.
rect(196, 220, WIDTH, foot_y, WALL)
for row, y in enumerate(range(220, foot_y, 8)):
    line(196, y, WIDTH, y, BRICK)
    offset = 0 if row % 2 == 0 else 5
    for x in range(196 + offset, WIDTH, 10):
        line(x, y, x, y + 8, BRICK)
# A spring from the wall to a block on the floor.
block_left, block_right = 150, 176
rect(block_left, 272, block_right, foot_y - 1, BLOCK)
for x0, y0, x1, y1 in ((block_left, 272, block_right, 272), (block_left, 272, block_left, foot_y),
                       (block_right, 272, block_right, foot_y)):
    line(x0, y0, x1, y1, INK)
points = [(block_right, 286)]
coils = 5
for i in range(1, coils * 2):
    x = block_right + 2 + (196 - block_right - 4) * i / (coils * 2)
    points.append((x, 286 + (6 if i % 2 else -6)))
points.append((196, 286))
for (x0, y0), (x1, y1) in zip(points, points[1:]):
    line(x0, y0, x1, y1, SPRING, 1)
# The wheel rolling on the slope, with faint earlier positions above it.
radius = 22


def wheel_centre(along):
    x = along * math.cos(slope)
    y = top_y + along * math.sin(slope)
    return (x + radius * math.sin(slope), y - radius * math.cos(slope))


for along in (20, 55, 90):
    cx, cy = wheel_centre(along)
    for a in range(0, 360, 4):
        r = math.radians(a)
        put(int(cx + radius * math.cos(r)), int(cy + radius * math.sin(r)), TRAIL)
cx, cy = wheel_centre(130)
disc(cx, cy, radius, WHEEL)
disc(cx - 6, cy - 7, 7, WHEEL_LIGHT)
turn = math.radians(130 / radius * 57.3)
for k in range(6):
    a = turn + k * math.pi / 3
    line(cx, cy, cx + (radius - 3) * math.cos(a), cy + (radius - 3) * math.sin(a), SPOKE)
disc(cx, cy, 3, HUB)
# A frame around the picture.
for x0, y0, x1, y1 in ((0, 0, WIDTH - 1, 0), (0, HEIGHT - 1, WIDTH - 1, HEIGHT - 1),
                       (0, 0, 0, HEIGHT - 1), (WIDTH - 1, 0, WIDTH - 1, HEIGHT - 1)):
    line(x0, y0, x1, y1, INK)

# The file: header, info header, palette, rows bottom up, each padded to four bytes.
row_size = (WIDTH + 3) & ~3
image = bytearray()
for y in range(HEIGHT - 1, -1, -1):
    image += bytes(pixels[y]) + bytes(row_size - WIDTH)
palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
info = struct.pack('<IiiHHIIiiII', 40, WIDTH, HEIGHT, 1, 8, 0, len(image), 2835, 2835, 256, 0)
offset = 14 + len(info) + len(palette)
header = struct.pack('<2sIHHI', b'BM', offset + len(image), 0, 0, offset)
with open('about.bmp', 'wb') as out:
    out.write(header + info + palette + image)
