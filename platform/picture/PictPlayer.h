#pragma once
// Plays a stored picture of the Macintosh format (versions 1 and 2: the picture record, size and
// frame first) into a device context, with the frame's top left corner at (0, 0) and one
// picture unit to a pixel. Drawn: lines, rectangles, rounded rectangles, ovals, arcs and wedges,
// polygons and regions with the frame, paint, erase, invert and fill verbs; pen size, mode and
// patterns; fore and back colours; text with its font, size and style; clip regions and origin
// shifts; bit maps and pixel maps (indexed, 16 and 32 bits, packed or not). Comments are passed
// over. Any other opcode, or data shorter than its opcode needs, stops the picture: the player
// answers false and the caller must not show a part of a picture as the whole.

#include <cstdint>
#include <span>

#include "platform/win32/GdiTypes.h"

// The picture's frame (left, top, right, bottom) from its record; false when the record is too
// short to hold one.
bool PictFrame(std::span<const uint8_t> picture, RECT& frame);

bool PlayPict(HDC dc, std::span<const uint8_t> picture);
