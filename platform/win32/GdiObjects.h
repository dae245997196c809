#pragma once
// The graphics objects (pens, brushes, fonts, bitmaps, regions, palettes) and the table that owns
// them. A handle is a number handed out once; the table maps it to its object. Deleting an object
// that a device context still holds is deferred until it is no longer selected anywhere, so a
// context never draws with freed memory and nothing leaks.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include <cairo.h>

#include "platform/win32/GdiTypes.h"
#include "platform/win32/Region.h"

struct GdiObject {
  explicit GdiObject(DWORD type) : type(type) {}
  virtual ~GdiObject() = default;
  DWORD type;
  uintptr_t handle = 0;
  bool stock = false;
  int selectCount = 0;         // device-context states holding it
  bool deletePending = false;  // deleted while selected: freed on the last release
};

struct GdiPen : GdiObject {
  GdiPen() : GdiObject(OBJ_PEN) {}
  int32_t style = PS_SOLID;
  int32_t width = 1;  // 0 draws as 1
  COLORREF color = 0;
};

// A brush paints solid, from an 8x8 pattern (hatches included), or not at all.
struct GdiBrush : GdiObject {
  GdiBrush() : GdiObject(OBJ_BRUSH) {}
  UINT style = BS_SOLID;
  COLORREF color = 0;
  int32_t hatch = 0;
  // BS_PATTERN: the 8x8 pattern, 0x00rrggbb per pixel. A monochrome pattern holds 0 for its black
  // and 0xFFFFFF for its white pixels and paints them in the text and background colours.
  bool monochrome = false;
  std::array<uint32_t, 64> pattern{};
};

// Pixels in a Cairo image surface (RGB24, 0x00rrggbb); a monochrome bitmap holds only black and
// white pixels and converts to and from colour through the text and background colours.
struct GdiBitmap : GdiObject {
  GdiBitmap() : GdiObject(OBJ_BITMAP) {}
  ~GdiBitmap() override;
  cairo_surface_t* surface = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  bool monochrome = false;
  HDC selectedInto = nullptr;
  uint32_t* Row(int32_t y) const;
};

struct GdiRegion : GdiObject {
  GdiRegion() : GdiObject(OBJ_REGION) {}
  RegionData data;
};

struct GdiPalette : GdiObject {
  GdiPalette() : GdiObject(OBJ_PAL) {}
  std::vector<PALETTEENTRY> entries;
};

struct FontFace;  // the face resolved on first use (FontText.cpp)
struct GdiFont : GdiObject {
  GdiFont();
  ~GdiFont() override;
  LOGFONT log;
  std::unique_ptr<FontFace> face;
};

// Adds an object to the table and answers its new handle.
uintptr_t RegisterGdiObject(std::unique_ptr<GdiObject> object);
// The object of a handle, or null for an unknown or freed handle or another type. An object
// deleted while selected is still found (its contexts draw with it); the public calls refuse it.
GdiObject* LookupGdiObject(HGDIOBJ handle);
template <typename T>
T* LookupGdi(HGDIOBJ handle, DWORD type) {
  GdiObject* object = LookupGdiObject(handle);
  return object && object->type == type ? static_cast<T*>(object) : nullptr;
}
inline GdiPen* LookupPen(HGDIOBJ h) {
  return LookupGdi<GdiPen>(h, OBJ_PEN);
}
inline GdiBrush* LookupBrush(HGDIOBJ h) {
  return LookupGdi<GdiBrush>(h, OBJ_BRUSH);
}
inline GdiFont* LookupFont(HGDIOBJ h) {
  return LookupGdi<GdiFont>(h, OBJ_FONT);
}
inline GdiBitmap* LookupBitmap(HGDIOBJ h) {
  return LookupGdi<GdiBitmap>(h, OBJ_BITMAP);
}
inline GdiRegion* LookupRegion(HGDIOBJ h) {
  return LookupGdi<GdiRegion>(h, OBJ_REGION);
}
inline GdiPalette* LookupPalette(HGDIOBJ h) {
  return LookupGdi<GdiPalette>(h, OBJ_PAL);
}

// Selection bookkeeping for device contexts.
void RetainGdiObject(HGDIOBJ handle);
void ReleaseGdiObject(HGDIOBJ handle);
// How many objects the table holds, stock objects excluded (lets tests find leaks of handles).
size_t CountGdiObjects();

// Hooks so that a metafile being recorded hears of deleted objects.
using GdiDeleteListener = void (*)(HGDIOBJ handle);
void AddGdiDeleteListener(GdiDeleteListener listener);

// The public calls.
HPEN CreatePen(int32_t style, int32_t width, COLORREF color);
// Whether the pen draws as CreatePen(style, width, color) would make it draw.
bool PenDrawsAs(HGDIOBJ pen, int32_t style, int32_t width, COLORREF color);
HPEN CreatePenIndirect(const LOGPEN* pen);
HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH CreateHatchBrush(int32_t hatch, COLORREF color);
HBRUSH CreatePatternBrush(HBITMAP bitmap);
HBRUSH CreateBrushIndirect(const LOGBRUSH* brush);
HFONT CreateFontIndirect(const LOGFONT* font);
// Bits are rows of 16-bit aligned bytes for 1 bit per pixel, 0x00rrggbb words for 32.
HBITMAP CreateBitmap(int32_t width, int32_t height, UINT planes, UINT bitsPerPixel,
                     const void* bits);
HPALETTE CreatePalette(const LOGPALETTE* palette);
HGDIOBJ GetStockObject(int32_t which);
BOOL DeleteObject(HGDIOBJ handle);
DWORD GetObjectType(HGDIOBJ handle);
// Fills LOGPEN, LOGBRUSH, LOGFONT or BITMAP; answers the bytes written, 0 on failure.
int32_t GetObject(HGDIOBJ handle, int32_t size, void* out);
// The system colours by index (COLOR_WINDOW and friends) and brushes of them.
COLORREF GetSysColor(int32_t index);
HBRUSH GetSysColorBrush(int32_t index);
UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* out);
