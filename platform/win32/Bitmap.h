#pragma once
// Bitmaps from device-independent bits: the packed form (header, colour table, bits) that
// bitmap resources, metafile records and the clipboard carry.

#include <cstdint>
#include <span>

#include "platform/win32/GdiTypes.h"
#include "platform/win32/Resource.h"

// A bitmap from a packed DIB of 1, 24 or 32 bits per pixel, uncompressed; null when the bits are
// malformed or shorter than their header says. A 1-bit DIB with a black and white colour table
// becomes a monochrome bitmap.
HBITMAP CreateBitmapFromDib(std::span<const uint8_t> dib);
// The part of such a DIB inside part (pixel coordinates, top row 0), cut to the DIB: for uses
// that read no more of a large DIB, at the memory of the part. Null as above, or when the part
// holds no pixel of the DIB.
HBITMAP CreateBitmapFromDibPart(std::span<const uint8_t> dib, const RECT& part);
// The width and height (rows, whichever way they run) a packed DIB's header gives; false when
// the bits are too short to hold them.
bool DibDimensions(std::span<const uint8_t> dib, int64_t& width, int64_t& height);
// The bitmap resource of that name (or MAKEINTRESOURCE id) from the module, or from whichever
// library holds it when module is null; null when there is none or it is malformed.
HBITMAP LoadBitmap(HINSTANCE module, LPCSTR name);
