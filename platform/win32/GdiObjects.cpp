#include "platform/win32/GdiObjects.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace {

struct ObjectTable {
  std::unordered_map<uintptr_t, std::unique_ptr<GdiObject>> objects;
  uintptr_t next = 0x10000;  // far from null; handles of other kinds start elsewhere
  std::vector<GdiDeleteListener> listeners;
  std::array<HGDIOBJ, 17> stock{};
  std::array<HBRUSH, 25> sysBrushes{};
  // The objects of handles looked up lately, in a slot chosen by the handle's low bits: drawing
  // calls look the same few objects up again and again. A freed object leaves its slot.
  struct Recent {
    uintptr_t handle = 0;
    GdiObject* object = nullptr;
  };
  std::array<Recent, 16> recent{};
};

ObjectTable::Recent& RecentSlot(ObjectTable& table, uintptr_t handle) {
  return table.recent[(handle >> 2) % table.recent.size()];
}

// Never destroyed: contexts still alive at exit give their objects back to it while static
// objects are being destroyed.
ObjectTable& Table() {
  static ObjectTable* table = new ObjectTable;
  return *table;
}

// Largest bitmap accepted, in pixels: guards against sizes from bad data.
constexpr int64_t kMaxBitmapPixels = int64_t{1} << 27;

void FreeObject(uintptr_t handle) {
  ObjectTable& table = Table();
  for (GdiDeleteListener listener : table.listeners) {
    listener(reinterpret_cast<HGDIOBJ>(handle));
  }
  ObjectTable::Recent& recent = RecentSlot(table, handle);
  if (recent.handle == handle) recent = {};
  table.objects.erase(handle);
}

template <typename T>
T* Make(std::unique_ptr<GdiObject>& holder) {
  auto object = std::make_unique<T>();
  T* raw = object.get();
  holder = std::move(object);
  return raw;
}

// The hatches as 8x8 masks, one byte a row, bit 7 the leftmost pixel.
constexpr uint8_t kHatches[6][8] = {
    {0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00},  // horizontal
    {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10},  // vertical
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},  // top-left to bottom-right
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},  // bottom-left to top-right
    {0x10, 0x10, 0x10, 0xFF, 0x10, 0x10, 0x10, 0x10},  // cross
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},  // diagonal cross
};

constexpr COLORREF kSysColors[25] = {
    RGB(192, 192, 192), RGB(0, 128, 128),   RGB(0, 0, 128),     RGB(128, 128, 128),
    RGB(192, 192, 192), RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),
    RGB(0, 0, 0),       RGB(255, 255, 255), RGB(192, 192, 192), RGB(192, 192, 192),
    RGB(128, 128, 128), RGB(0, 0, 128),     RGB(255, 255, 255), RGB(192, 192, 192),
    RGB(128, 128, 128), RGB(128, 128, 128), RGB(0, 0, 0),       RGB(192, 192, 192),
    RGB(255, 255, 255), RGB(64, 64, 64),    RGB(223, 223, 223), RGB(0, 0, 0),
    RGB(255, 255, 225)};

HGDIOBJ MakeStock(int32_t which);

}  // namespace

GdiBitmap::~GdiBitmap() {
  if (surface) cairo_surface_destroy(surface);
}

uint32_t* GdiBitmap::Row(int32_t y) const {
  unsigned char* data = cairo_image_surface_get_data(surface);
  return reinterpret_cast<uint32_t*>(data + static_cast<ptrdiff_t>(y) *
                                                cairo_image_surface_get_stride(surface));
}

uintptr_t RegisterGdiObject(std::unique_ptr<GdiObject> object) {
  ObjectTable& table = Table();
  const uintptr_t handle = table.next;
  table.next += 4;
  object->handle = handle;
  table.objects.emplace(handle, std::move(object));
  return handle;
}

GdiObject* LookupGdiObject(HGDIOBJ handle) {
  ObjectTable& table = Table();
  const auto key = reinterpret_cast<uintptr_t>(handle);
  ObjectTable::Recent& recent = RecentSlot(table, key);
  if (recent.object != nullptr && recent.handle == key) return recent.object;
  auto it = table.objects.find(key);
  if (it == table.objects.end()) return nullptr;
  recent = {key, it->second.get()};
  return recent.object;
}

void RetainGdiObject(HGDIOBJ handle) {
  if (GdiObject* object = LookupGdiObject(handle)) ++object->selectCount;
}

void ReleaseGdiObject(HGDIOBJ handle) {
  GdiObject* object = LookupGdiObject(handle);
  if (object == nullptr) return;
  if (object->selectCount > 0) --object->selectCount;
  if (object->selectCount == 0 && object->deletePending) FreeObject(object->handle);
}

size_t CountGdiObjects() {
  size_t count = 0;
  for (const auto& [handle, object] : Table().objects) {
    if (!object->stock) ++count;
  }
  return count;
}

void AddGdiDeleteListener(GdiDeleteListener listener) {
  auto& listeners = Table().listeners;
  if (std::find(listeners.begin(), listeners.end(), listener) == listeners.end()) {
    listeners.push_back(listener);
  }
}

namespace {

// A pen as CreatePen makes it: styled lines exist only one pixel wide, wider pens draw them
// solid.
GdiPen PenOf(int32_t style, int32_t width, COLORREF color) {
  GdiPen pen;
  const bool styled = style >= PS_DASH && style <= PS_DASHDOTDOT;
  pen.style = styled && width > 1 ? PS_SOLID : style;
  pen.width = std::max(width, 1);
  pen.color = color & 0xFFFFFF;
  return pen;
}

}  // namespace

HPEN CreatePen(int32_t style, int32_t width, COLORREF color) {
  if (style < PS_SOLID || style > PS_INSIDEFRAME) return nullptr;
  std::unique_ptr<GdiObject> holder;
  GdiPen* pen = Make<GdiPen>(holder);
  const GdiPen made = PenOf(style, width, color);
  pen->style = made.style;
  pen->width = made.width;
  pen->color = made.color;
  return reinterpret_cast<HPEN>(RegisterGdiObject(std::move(holder)));
}

bool PenDrawsAs(HGDIOBJ handle, int32_t style, int32_t width, COLORREF color) {
  const GdiPen* pen = LookupPen(handle);
  if (!pen || style < PS_SOLID || style > PS_INSIDEFRAME) return false;
  const GdiPen wanted = PenOf(style, width, color);
  return pen->style == wanted.style && pen->width == wanted.width && pen->color == wanted.color;
}

HPEN CreatePenIndirect(const LOGPEN* pen) {
  if (!pen) return nullptr;
  return CreatePen(static_cast<int32_t>(pen->lopnStyle), pen->lopnWidth.x, pen->lopnColor);
}

HBRUSH CreateSolidBrush(COLORREF color) {
  std::unique_ptr<GdiObject> holder;
  GdiBrush* brush = Make<GdiBrush>(holder);
  brush->style = BS_SOLID;
  brush->color = color & 0xFFFFFF;
  return reinterpret_cast<HBRUSH>(RegisterGdiObject(std::move(holder)));
}

HBRUSH CreateHatchBrush(int32_t hatch, COLORREF color) {
  if (hatch < HS_HORIZONTAL || hatch > HS_DIAGCROSS) return nullptr;
  std::unique_ptr<GdiObject> holder;
  GdiBrush* brush = Make<GdiBrush>(holder);
  brush->style = BS_HATCHED;
  brush->color = color & 0xFFFFFF;
  brush->hatch = hatch;
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x)
      brush->pattern[y * 8 + x] = (kHatches[hatch][y] >> (7 - x)) & 1;
  }
  return reinterpret_cast<HBRUSH>(RegisterGdiObject(std::move(holder)));
}

HBRUSH CreatePatternBrush(HBITMAP handle) {
  const GdiBitmap* bitmap = LookupBitmap(handle);
  if (!bitmap || bitmap->width < 1 || bitmap->height < 1) return nullptr;
  std::unique_ptr<GdiObject> holder;
  GdiBrush* brush = Make<GdiBrush>(holder);
  brush->style = BS_PATTERN;
  brush->monochrome = bitmap->monochrome;
  cairo_surface_flush(bitmap->surface);
  for (int y = 0; y < 8; ++y) {
    const uint32_t* row = bitmap->Row(y % bitmap->height);
    for (int x = 0; x < 8; ++x)
      brush->pattern[y * 8 + x] = row[x % bitmap->width] & 0xFFFFFF;
  }
  return reinterpret_cast<HBRUSH>(RegisterGdiObject(std::move(holder)));
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* brush) {
  if (!brush) return nullptr;
  switch (brush->lbStyle) {
    case BS_SOLID:
      return CreateSolidBrush(brush->lbColor);
    case BS_NULL:
      return static_cast<HBRUSH>(MakeStock(NULL_BRUSH));
    case BS_HATCHED:
      return CreateHatchBrush(static_cast<int32_t>(brush->lbHatch), brush->lbColor);
    case BS_PATTERN:
      return CreatePatternBrush(reinterpret_cast<HBITMAP>(brush->lbHatch));
    default:
      return nullptr;
  }
}

HFONT CreateFontIndirect(const LOGFONT* font) {
  if (!font) return nullptr;
  std::unique_ptr<GdiObject> holder;
  GdiFont* object = Make<GdiFont>(holder);
  object->log = *font;
  object->log.lfFaceName[LF_FACESIZE - 1] = '\0';
  return reinterpret_cast<HFONT>(RegisterGdiObject(std::move(holder)));
}

HBITMAP CreateBitmap(int32_t width, int32_t height, UINT planes, UINT bitsPerPixel,
                     const void* bits) {
  if (width < 0 || height < 0 || planes != 1) return nullptr;
  if (bitsPerPixel != 1 && bitsPerPixel != 24 && bitsPerPixel != 32) return nullptr;
  if (width == 0 || height == 0) width = height = 1, bitsPerPixel = 1, bits = nullptr;
  if (static_cast<int64_t>(width) * height > kMaxBitmapPixels) return nullptr;
  std::unique_ptr<GdiObject> holder;
  GdiBitmap* bitmap = Make<GdiBitmap>(holder);
  bitmap->surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  if (cairo_surface_status(bitmap->surface) != CAIRO_STATUS_SUCCESS) return nullptr;
  bitmap->width = width;
  bitmap->height = height;
  bitmap->monochrome = bitsPerPixel == 1;
  const auto* bytes = static_cast<const uint8_t*>(bits);
  const int32_t monoStride = ((width + 15) / 16) * 2;
  cairo_surface_flush(bitmap->surface);
  for (int32_t y = 0; y < height; ++y) {
    uint32_t* row = bitmap->Row(y);
    for (int32_t x = 0; x < width; ++x) {
      uint32_t value = 0;
      if (bytes && bitmap->monochrome) {
        value = (bytes[y * monoStride + x / 8] >> (7 - x % 8)) & 1 ? 0xFFFFFF : 0;
      } else if (bytes && bitsPerPixel == 24) {
        const uint8_t* p = bytes + static_cast<ptrdiff_t>(y) * (((width * 3) + 3) & ~3) + x * 3;
        value = p[0] | (p[1] << 8) | (p[2] << 16);
      } else if (bytes) {
        std::memcpy(&value, bytes + (static_cast<ptrdiff_t>(y) * width + x) * 4, 4);
      }
      row[x] = value & 0xFFFFFF;
    }
  }
  cairo_surface_mark_dirty(bitmap->surface);
  return reinterpret_cast<HBITMAP>(RegisterGdiObject(std::move(holder)));
}

HPALETTE CreatePalette(const LOGPALETTE* palette) {
  if (!palette || palette->palVersion != 0x300 || palette->palNumEntries == 0) return nullptr;
  std::unique_ptr<GdiObject> holder;
  GdiPalette* object = Make<GdiPalette>(holder);
  object->entries.assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
  return reinterpret_cast<HPALETTE>(RegisterGdiObject(std::move(holder)));
}

UINT GetPaletteEntries(HPALETTE handle, UINT start, UINT count, PALETTEENTRY* out) {
  const GdiPalette* palette = LookupPalette(handle);
  if (!palette) return 0;
  if (!out) return static_cast<UINT>(palette->entries.size());
  UINT copied = 0;
  for (UINT i = start; i < palette->entries.size() && copied < count; ++i) {
    out[copied++] = palette->entries[i];
  }
  return copied;
}

namespace {

HGDIOBJ MakeStock(int32_t which) {
  ObjectTable& table = Table();
  if (which < 0 || which >= static_cast<int32_t>(table.stock.size()) || which == 9) {
    return nullptr;
  }
  if (table.stock[which]) return table.stock[which];
  HGDIOBJ made = nullptr;
  switch (which) {
    case WHITE_BRUSH:
      made = CreateSolidBrush(RGB(255, 255, 255));
      break;
    case LTGRAY_BRUSH:
      made = CreateSolidBrush(RGB(192, 192, 192));
      break;
    case GRAY_BRUSH:
      made = CreateSolidBrush(RGB(128, 128, 128));
      break;
    case DKGRAY_BRUSH:
      made = CreateSolidBrush(RGB(64, 64, 64));
      break;
    case BLACK_BRUSH:
      made = CreateSolidBrush(RGB(0, 0, 0));
      break;
    case NULL_BRUSH: {
      made = CreateSolidBrush(0);
      LookupBrush(made)->style = BS_NULL;
      break;
    }
    case WHITE_PEN:
      made = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
      break;
    case BLACK_PEN:
      made = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
      break;
    case NULL_PEN:
      made = CreatePen(PS_NULL, 1, 0);
      break;
    case DEFAULT_PALETTE: {
      LOGPALETTE palette;
      palette.palNumEntries = 1;
      made = CreatePalette(&palette);
      break;
    }
    default: {
      // Every stock font is the plain sans-serif face of the system font's size.
      LOGFONT font;
      font.lfHeight = -12;
      font.lfWeight = which == SYSTEM_FONT ? FW_BOLD : FW_NORMAL;
      const bool fixed =
          which == OEM_FIXED_FONT || which == ANSI_FIXED_FONT || which == SYSTEM_FIXED_FONT;
      std::strcpy(font.lfFaceName, fixed ? "Monospace" : "Sans Serif");
      made = CreateFontIndirect(&font);
      break;
    }
  }
  if (GdiObject* object = LookupGdiObject(made)) object->stock = true;
  table.stock[which] = made;
  return made;
}

}  // namespace

HGDIOBJ GetStockObject(int32_t which) {
  return MakeStock(which);
}

BOOL DeleteObject(HGDIOBJ handle) {
  GdiObject* object = LookupGdiObject(handle);
  if (object == nullptr || object->deletePending) return FALSE;
  if (object->stock) return TRUE;
  if (object->selectCount > 0) {
    object->deletePending = true;
    return TRUE;
  }
  FreeObject(object->handle);
  return TRUE;
}

DWORD GetObjectType(HGDIOBJ handle) {
  const GdiObject* object = LookupGdiObject(handle);
  return object && !object->deletePending ? object->type : 0;
}

int32_t GetObject(HGDIOBJ handle, int32_t size, void* out) {
  const GdiObject* object = LookupGdiObject(handle);
  if (!object || object->deletePending || !out) return 0;
  auto copy = [&](const auto& value) -> int32_t {
    if (size < static_cast<int32_t>(sizeof(value))) return 0;
    std::memcpy(out, &value, sizeof(value));
    return sizeof(value);
  };
  switch (object->type) {
    case OBJ_PEN: {
      const auto* pen = static_cast<const GdiPen*>(object);
      LOGPEN log;
      log.lopnStyle = static_cast<UINT>(pen->style);
      log.lopnWidth.x = pen->width;
      log.lopnColor = pen->color;
      return copy(log);
    }
    case OBJ_BRUSH: {
      const auto* brush = static_cast<const GdiBrush*>(object);
      LOGBRUSH log;
      log.lbStyle = brush->style;
      log.lbColor = brush->color;
      log.lbHatch = static_cast<uintptr_t>(brush->hatch);
      return copy(log);
    }
    case OBJ_FONT:
      return copy(static_cast<const GdiFont*>(object)->log);
    case OBJ_BITMAP: {
      const auto* bitmap = static_cast<const GdiBitmap*>(object);
      BITMAP log;
      log.bmWidth = bitmap->width;
      log.bmHeight = bitmap->height;
      log.bmBitsPixel = bitmap->monochrome ? 1 : 32;
      log.bmWidthBytes = bitmap->monochrome ? ((bitmap->width + 15) / 16) * 2 : bitmap->width * 4;
      return copy(log);
    }
    default:
      return 0;
  }
}

COLORREF GetSysColor(int32_t index) {
  if (index < 0 || index >= 25) return 0;
  return kSysColors[index];
}

HBRUSH GetSysColorBrush(int32_t index) {
  if (index < 0 || index >= 25) return nullptr;
  HBRUSH& brush = Table().sysBrushes[index];
  if (!brush) {
    brush = CreateSolidBrush(kSysColors[index]);
    LookupGdiObject(brush)->stock = true;
  }
  return brush;
}
