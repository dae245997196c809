#include "views/furniture/ResourceBitmaps.h"

#include <vector>

#include "core/Resources.h"
#include "platform/win32/Bitmap.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Resource.h"
#include "platform/win32/WindowDc.h"

namespace {

constexpr size_t kInfoHeaderSize = 40;

uint32_t ReadDword(const uint8_t* p) {
  return static_cast<uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16)) | (uint32_t{p[3]} << 24);
}

}  // namespace

HPALETTE CreateDIBPalette(std::span<const uint8_t> dib, int32_t& count) {
  count = 0;
  if (dib.size() < kInfoHeaderSize) return nullptr;
  const uint32_t headerSize = ReadDword(dib.data());
  const uint16_t bits = static_cast<uint16_t>(dib[14] | (dib[15] << 8));
  if (bits == 0 || bits > 8 || headerSize < kInfoHeaderSize) return nullptr;
  const uint32_t full = uint32_t{1} << bits;
  const uint32_t used = ReadDword(dib.data() + 32);
  // The header may say the table holds fewer colours than the bits could name.
  const uint32_t entries = used != 0 && used < full ? used : full;
  if (headerSize > dib.size() || size_t{entries} * 4 > dib.size() - headerSize) return nullptr;
  std::vector<uint8_t> storage(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * entries);
  auto* palette = reinterpret_cast<LOGPALETTE*>(storage.data());
  palette->palVersion = 0x300;
  palette->palNumEntries = static_cast<WORD>(entries);
  for (uint32_t i = 0; i < entries; ++i) {
    const uint8_t* quad = dib.data() + headerSize + size_t{i} * 4;  // blue, green, red, reserved
    palette->palPalEntry[i] = PALETTEENTRY{quad[2], quad[1], quad[0], 0};
  }
  const HPALETTE made = CreatePalette(palette);
  if (made) count = static_cast<int32_t>(entries);
  return made;
}

HBITMAP LoadDIBResource(HMODULE module, int16_t id, HPALETTE& palette) {
  const LPCSTR name = MAKEINTRESOURCEA(static_cast<uint16_t>(id));
  HRSRC resource = module ? FindResourceA(module, name, RT_BITMAP) : nullptr;
  if (!resource) return nullptr;
  const void* bytes = LockResource(LoadResource(module, resource));
  if (!bytes) return nullptr;
  const std::span<const uint8_t> dib(static_cast<const uint8_t*>(bytes),
                                     SizeofResource(module, resource));
  // A malformed picture counts as missing.
  const HBITMAP bitmap = CreateBitmapFromDib(dib);
  if (!bitmap) return nullptr;
  int32_t count = 0;
  palette = CreateDIBPalette(dib, count);
  if (palette) {
    const HDC screen = GetDC(nullptr);
    SelectPalette(screen, palette, FALSE);
    RealizePalette(screen);
    ReleaseDC(nullptr, screen);
  }
  return bitmap;
}

void DrawResourceBitmap(HWND window, int32_t x, int32_t y, int16_t id) {
  HPALETTE palette = nullptr;
  const HBITMAP bitmap = LoadDIBResource(GetResourceModule(), id, palette);
  if (!bitmap) return;
  BITMAP size;
  GetObject(bitmap, sizeof size, &size);
  const HDC dc = GetDC(window);
  const HDC memory = CreateCompatibleDC(dc);
  HPALETTE oldPalette = nullptr;
  HPALETTE oldMemoryPalette = nullptr;
  if (palette) {
    oldPalette = SelectPalette(dc, palette, FALSE);
    RealizePalette(dc);
    oldMemoryPalette = SelectPalette(memory, palette, FALSE);
    RealizePalette(memory);
  }
  const HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
  BitBlt(dc, x, y, size.bmWidth, size.bmHeight, memory, 0, 0, SRCCOPY);
  SelectObject(memory, oldBitmap);
  if (palette) {
    SelectPalette(memory, oldMemoryPalette, FALSE);
    SelectPalette(dc, oldPalette, FALSE);
  }
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(window, dc);
  if (palette) DeleteObject(palette);
}

HMODULE GetResourceModule() {
  return GetResourceModule1();
}
