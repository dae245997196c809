#pragma once
// Plays a stored picture of the Macintosh format (versions 1 and 2: the picture record, size and
// frame first) into a device context, with the frame's top left corner at (0, 0) and one
// picture unit to a pixel. Drawn: lines, rectangles, rounded rectangles, ovals, arcs and wedges,
// polygons and regions with the frame, paint, erase, invert and fill verbs; pen size, mode and
// patterns; fore and back colours; text with its font, size and style; clip regions and origin
// shifts; bit maps and pixel maps (indexed, 16 and 32 bits, packed or not). Comments are passed
// over. Any other opcode, or data shorter than its opcode needs, stops the picture: the player
// answers false and the caller must not show a part of a picture as the whole. Shapes are
// cut to the frame: none paints outside it.

#include <cstdint>
#include <span>

#include "platform/win32/GdiTypes.h"

// The picture's frame (left, top, right, bottom) from its record; false when the record is too
// short to hold one.
bool PictFrame(std::span<const uint8_t> picture, RECT& frame);

// The work a picture may ask of the player: rows scanned (each weighed by the edges tested on
// it) and rectangles painted (each weighed as sixteen rows). Shapes are cut to the frame
// before they are scanned, so a drawn picture needs a small part of this; a picture that asks
// for more is refused, whatever its size in bytes.
inline constexpr int64_t kPictWorkBudget = int64_t{1} << 22;

// Plays the picture; false when it is malformed or asks for more than the work budget. work,
// when given, receives the work done (also for a refused picture).
bool PlayPict(HDC dc, std::span<const uint8_t> picture, int64_t* work = nullptr);
