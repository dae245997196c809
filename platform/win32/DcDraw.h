#pragma once
// The drawing calls. Coordinates are logical; right and bottom edges of rectangles and ellipse
// boxes are outside; a line leaves out its end pixel. Shapes are filled with the selected brush
// and outlined with the selected pen, both through the context's binary raster operation.

#include <cstdint>

#include "platform/win32/GdiTypes.h"

BOOL MoveToEx(HDC hdc, int32_t x, int32_t y, POINT* previous);
BOOL LineTo(HDC hdc, int32_t x, int32_t y);
BOOL Polyline(HDC hdc, const POINT* points, int32_t count);
// Several solid one-pixel polylines, each in its own colour, drawn one after the other: path i
// has counts[i] points (those after the previous paths' in points) and colour colors[i]. The
// pixels are those of selecting a solid one-pixel pen of each colour and drawing each path with
// Polyline, but no pen is selected and the surface is taken up once for all of them. A path of
// fewer than two points draws nothing. FALSE, drawing nothing, for a context that records
// instead of painting: a recording holds pens, not colours.
BOOL PolylinesInColors(HDC hdc, const POINT* points, const int32_t* counts, const COLORREF* colors,
                       int32_t paths);
BOOL Polygon(HDC hdc, const POINT* points, int32_t count);
BOOL Rectangle(HDC hdc, int32_t left, int32_t top, int32_t right, int32_t bottom);
BOOL RoundRect(HDC hdc, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t width,
               int32_t height);
BOOL Ellipse(HDC hdc, int32_t left, int32_t top, int32_t right, int32_t bottom);
// Counter-clockwise from the ray through the start point to the ray through the end point.
BOOL Arc(HDC hdc, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t xStart,
         int32_t yStart, int32_t xEnd, int32_t yEnd);
BOOL Pie(HDC hdc, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t xStart,
         int32_t yStart, int32_t xEnd, int32_t yEnd);
BOOL Chord(HDC hdc, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t xStart,
           int32_t yStart, int32_t xEnd, int32_t yEnd);

// Rectangle fills with a brush, whatever the raster operation.
int32_t FillRect(HDC hdc, const RECT* rect, HBRUSH brush);
int32_t FrameRect(HDC hdc, const RECT* rect, HBRUSH brush);
BOOL InvertRect(HDC hdc, const RECT* rect);
BOOL FillRgn(HDC hdc, HRGN region, HBRUSH brush);
BOOL PaintRgn(HDC hdc, HRGN region);
BOOL InvertRgn(HDC hdc, HRGN region);
BOOL FrameRgn(HDC hdc, HRGN region, HBRUSH brush, int32_t width, int32_t height);

COLORREF SetPixel(HDC hdc, int32_t x, int32_t y, COLORREF color);
COLORREF GetPixel(HDC hdc, int32_t x, int32_t y);
BOOL PatBlt(HDC hdc, int32_t x, int32_t y, int32_t width, int32_t height, DWORD rop);
BOOL BitBlt(HDC destination, int32_t x, int32_t y, int32_t width, int32_t height, HDC source,
            int32_t xSource, int32_t ySource, DWORD rop);
// Into a metafile context the source block is recorded whole: FALSE when it is over 4096 x 4096
// pixels or 32767 pixels a side.
BOOL StretchBlt(HDC destination, int32_t x, int32_t y, int32_t width, int32_t height, HDC source,
                int32_t xSource, int32_t ySource, int32_t widthSource, int32_t heightSource,
                DWORD rop);
