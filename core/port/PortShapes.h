#pragma once
// Shapes and fills of the drawing port. Each draws into the current port's context with the
// port's pen, and only while the pen is visible; without a current port or context nothing
// happens.

#include <cstdint>

#include "core/MacTypes.h"
#include "platform/win32/Gdi.h"

inline constexpr int16_t kPatternCount = 24;
inline constexpr int16_t kFirstPatternBitmap = 10;  // resources 10 to 33
inline constexpr int16_t kFirstSystemColorPattern = 4096;

// The 24 pattern bitmaps (from the bitmap resources when the libraries hold them, otherwise the
// built-in pictures) and a brush of each. A 1 bit of a pattern is painted in the foreground.
void InitPortPatterns();
void FreePortPatterns();
HBITMAP GetPatternBitmap(int16_t number);  // null outside 0-23
HBRUSH GetPatternBrush(int16_t number);

void PortFrameRect(const MacRect& rect);
void PortFrameOval(const MacRect& rect);
void PortFrameRoundRect(const MacRect& rect, int16_t cornerWidth, int16_t cornerHeight);
// Painted with the current brush and no outline.
void PortPaintRect(const MacRect& rect);
void PortPaintOval(const MacRect& rect);
void PortPaintRoundRect(const MacRect& rect, int16_t cornerWidth, int16_t cornerHeight);
void PortInvertRect(const MacRect& rect);
void PortInvertOval(const MacRect& rect);
void PortInvertRoundRect(const MacRect& rect, int16_t cornerWidth, int16_t cornerHeight);
// Erases with the background colour.
void PortFillRectPattern(const MacRect& rect);
// Fills by pattern number: without an outline (0-23, and 4096-4119 for the system colours) or
// with the port's pen (0-23).
void PortFillRectWithPattern(const MacRect& rect, int16_t pattern);
void PortFillRectWithPatternOutlined(const MacRect& rect, int16_t pattern);
void PortFillOvalWithPattern(const MacRect& rect, int16_t pattern);
void PortFillOvalWithPatternOutlined(const MacRect& rect, int16_t pattern);
void PortFillRoundRectWithPattern(const MacRect& rect, int16_t cornerWidth, int16_t cornerHeight,
                                  int16_t pattern);
// Fills with a brush; while printing or recording a metafile as a rectangle without a pen so
// that the metafile holds it.
void PortFillRectBrush(const MacRect& rect, HBRUSH brush);
// Copies the bitmap's source rectangle onto the destination rectangle with the raster operation.
void PortCopyBitmap(HBITMAP bitmap, const MacRect& source, const MacRect& destination, DWORD rop);

// Runs fill with the port's pen mode 13 and the pattern's brush selected, the text and background
// colours set for the pattern; nothing for a pattern number without a brush.
void WithPatternBrush(int16_t pattern, bool systemNumbers, bool keepPen, void (*fill)(HDC, void*),
                      void* data);
