#include "platform/win32/Icon.h"

#include <cairo.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <utility>

#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Window.h"

namespace {

constexpr int32_t kMaxIconSide = 256;
constexpr DWORD kIconVersion = 0x00030000;
constexpr size_t kGroupHeaderBytes = 6;
constexpr size_t kGroupEntryBytes = 14;

struct IconEntry {
  IconPixels pixels;
  bool shared = false;
};

// A shared icon and the image bytes it was made from.
struct SharedIcon {
  uintptr_t handle = 0;
  std::vector<uint8_t> bytes;
};

struct IconTable {
  std::map<uintptr_t, IconEntry> byHandle;
  // Shared icons by the resource bytes of their image. A module's tables may go away and others
  // take their place, so a hit counts only when the bytes are still the same.
  std::map<std::pair<const uint8_t*, size_t>, SharedIcon> sharedOf;
  uintptr_t stockApplication = 0;
  uintptr_t nextHandle = 0x30000;
};

IconTable& Table() {
  static IconTable table;
  return table;
}

HICON Register(IconPixels pixels, bool shared) {
  IconTable& table = Table();
  const uintptr_t handle = table.nextHandle++;
  table.byHandle[handle] = IconEntry{std::move(pixels), shared};
  return reinterpret_cast<HICON>(handle);
}

const IconPixels* Find(HICON icon) {
  const auto& byHandle = Table().byHandle;
  auto found = byHandle.find(reinterpret_cast<uintptr_t>(icon));
  return found == byHandle.end() ? nullptr : &found->second.pixels;
}

uint16_t ReadWord(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t ReadDword(const uint8_t* p) {
  return static_cast<uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16)) | (uint32_t{p[3]} << 24);
}

bool IsPng(std::span<const uint8_t> bytes) {
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  return bytes.size() >= 8 && std::memcmp(bytes.data(), kSignature, 8) == 0;
}

// Half-transparent pixels are taken as opaque or transparent: the mask has one bit per pixel.
constexpr uint32_t kOpaqueAlpha = 128;

struct PngReader {
  std::span<const uint8_t> bytes;
  size_t at = 0;
};

cairo_status_t ReadPngBytes(void* closure, unsigned char* data, unsigned int length) {
  auto* reader = static_cast<PngReader*>(closure);
  if (length > reader->bytes.size() - reader->at) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(data, reader->bytes.data() + reader->at, length);
  reader->at += length;
  return CAIRO_STATUS_SUCCESS;
}

std::optional<IconPixels> DecodePng(std::span<const uint8_t> bytes) {
  PngReader reader{bytes};
  cairo_surface_t* surface = cairo_image_surface_create_from_png_stream(ReadPngBytes, &reader);
  std::optional<IconPixels> out;
  const int32_t width = cairo_image_surface_get_width(surface);
  const int32_t height = cairo_image_surface_get_height(surface);
  if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS && width > 0 && height > 0 &&
      width <= kMaxIconSide && height <= kMaxIconSide) {
    cairo_surface_flush(surface);
    const bool hasAlpha = cairo_image_surface_get_format(surface) == CAIRO_FORMAT_ARGB32;
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int32_t stride = cairo_image_surface_get_stride(surface);
    IconPixels pixels{width, height, {}, {}};
    for (int32_t y = 0; y < height; ++y) {
      const auto* row =
          reinterpret_cast<const uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
      for (int32_t x = 0; x < width; ++x) {
        const uint32_t p = row[x];
        const uint32_t alpha = hasAlpha ? p >> 24 : 0xFF;
        const bool transparent = alpha < kOpaqueAlpha;
        uint32_t rgb = 0;
        if (!transparent) {
          // Cairo keeps colours premultiplied by alpha.
          auto channel = [&](int shift) {
            return std::min(0xFFu, ((p >> shift) & 0xFF) * 255 / alpha);
          };
          rgb = (channel(16) << 16) | (channel(8) << 8) | channel(0);
        }
        pixels.image.push_back(rgb);
        pixels.mask.push_back(transparent);
      }
    }
    out = std::move(pixels);
  }
  cairo_surface_destroy(surface);
  return out;
}

// A bottom-up DIB of 1, 4, 8, 24 or 32 bits per pixel whose height counts the image and the
// 1-bit AND mask after it. A 32-bit image that uses its alpha bytes takes its mask from them
// (and may leave the AND mask out).
std::optional<IconPixels> DecodeDib(std::span<const uint8_t> dib) {
  if (dib.size() < 40) return std::nullopt;
  const uint32_t headerSize = ReadDword(dib.data());
  const auto width = static_cast<int32_t>(ReadDword(dib.data() + 4));
  const auto doubledHeight = static_cast<int32_t>(ReadDword(dib.data() + 8));
  const uint16_t bitCount = ReadWord(dib.data() + 14);
  const uint32_t compression = ReadDword(dib.data() + 16);
  const uint32_t colorsUsed = ReadDword(dib.data() + 32);
  if (headerSize < 40 || headerSize > dib.size() || compression != 0) return std::nullopt;
  const int32_t height = doubledHeight / 2;
  if (width <= 0 || width > kMaxIconSide || height <= 0 || height > kMaxIconSide)
    return std::nullopt;
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32)
    return std::nullopt;
  const uint32_t tableMax = bitCount <= 8 ? (1u << bitCount) : 0;
  if (colorsUsed > tableMax && bitCount <= 8) return std::nullopt;
  const uint32_t colors = bitCount <= 8 ? (colorsUsed ? colorsUsed : tableMax) : 0;
  const size_t tableAt = headerSize;
  const size_t bitsAt = tableAt + size_t{colors} * 4;
  const size_t imageRow = ((static_cast<size_t>(width) * bitCount + 31) / 32) * 4;
  const size_t maskRow = ((static_cast<size_t>(width) + 31) / 32) * 4;
  const size_t maskAt = bitsAt + imageRow * height;
  if (maskAt > dib.size()) return std::nullopt;
  const bool maskPresent = maskRow * height <= dib.size() - maskAt;

  IconPixels pixels{width, height, {}, {}};
  pixels.image.assign(static_cast<size_t>(width) * height, 0);
  pixels.mask.assign(static_cast<size_t>(width) * height, false);
  bool usesAlpha = false;
  std::vector<uint8_t> alpha(static_cast<size_t>(width) * height, 0);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* src = dib.data() + bitsAt + imageRow * (height - 1 - y);
    for (int32_t x = 0; x < width; ++x) {
      const size_t at = static_cast<size_t>(y) * width + x;
      uint32_t p = 0;
      if (bitCount <= 8) {
        const int32_t bit = x * bitCount;
        const uint32_t index = (src[bit / 8] >> (8 - bitCount - bit % 8)) & (tableMax - 1);
        if (index < colors) p = ReadDword(dib.data() + tableAt + index * 4) & 0xFFFFFF;
      } else if (bitCount == 24) {
        p = src[x * 3] | (src[x * 3 + 1] << 8) | (src[x * 3 + 2] << 16);
      } else {
        const uint32_t value = ReadDword(src + x * 4);
        p = value & 0xFFFFFF;
        alpha[at] = static_cast<uint8_t>(value >> 24);
        usesAlpha = usesAlpha || alpha[at] != 0;
      }
      pixels.image[at] = p;
    }
  }
  if (usesAlpha) {
    for (size_t at = 0; at < alpha.size(); ++at) {
      pixels.mask[at] = alpha[at] < kOpaqueAlpha;
      if (pixels.mask[at]) pixels.image[at] = 0;
    }
    return pixels;
  }
  if (!maskPresent) return std::nullopt;
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* src = dib.data() + maskAt + maskRow * (height - 1 - y);
    for (int32_t x = 0; x < width; ++x)
      pixels.mask[static_cast<size_t>(y) * width + x] = (src[x / 8] >> (7 - x % 8)) & 1;
  }
  return pixels;
}

std::optional<IconPixels> DecodeIconImage(std::span<const uint8_t> bytes) {
  return IsPng(bytes) ? DecodePng(bytes) : DecodeDib(bytes);
}

std::span<const uint8_t> ResourceBytes(HMODULE module, LPCSTR name, LPCSTR type) {
  HRSRC resource = FindResourceA(module, name, type);
  if (!resource) return {};
  const void* bytes = LockResource(LoadResource(module, resource));
  if (!bytes) return {};
  return {static_cast<const uint8_t*>(bytes), SizeofResource(module, resource)};
}

// The image id of the group entry nearest to the system icon size (the deeper colour on a tie);
// none when the group is malformed or empty.
std::optional<uint16_t> ChooseImage(std::span<const uint8_t> group) {
  if (group.size() < kGroupHeaderBytes || ReadWord(group.data() + 2) != 1) return std::nullopt;
  const uint16_t count = ReadWord(group.data() + 4);
  if (count == 0 || size_t{count} * kGroupEntryBytes > group.size() - kGroupHeaderBytes)
    return std::nullopt;
  const int32_t wantedWidth = GetSystemMetrics(SM_CXICON);
  const int32_t wantedHeight = GetSystemMetrics(SM_CYICON);
  std::optional<uint16_t> best;
  int32_t bestDistance = 0;
  int32_t bestDepth = 0;
  for (uint16_t i = 0; i < count; ++i) {
    const uint8_t* entry = group.data() + kGroupHeaderBytes + i * kGroupEntryBytes;
    const int32_t width = entry[0] ? entry[0] : 256;
    const int32_t height = entry[1] ? entry[1] : 256;
    const int32_t depth = ReadWord(entry + 6);
    const int32_t distance = std::abs(width - wantedWidth) + std::abs(height - wantedHeight);
    if (!best || distance < bestDistance || (distance == bestDistance && depth > bestDepth)) {
      best = ReadWord(entry + 12);
      bestDistance = distance;
      bestDepth = depth;
    }
  }
  return best;
}

// The stock application icon: a small window with a title bar, transparent around it.
IconPixels StockApplicationIcon() {
  constexpr int32_t kSide = 32;
  IconPixels pixels{kSide, kSide, {}, {}};
  for (int32_t y = 0; y < kSide; ++y) {
    for (int32_t x = 0; x < kSide; ++x) {
      const bool inside = x >= 2 && x < 30 && y >= 4 && y < 28;
      const bool edge = inside && (x == 2 || x == 29 || y == 4 || y == 27);
      const bool title = inside && !edge && y < 10;
      uint32_t p = 0;
      if (inside) p = edge ? 0x000000 : title ? 0x000080 : 0xFFFFFF;
      pixels.image.push_back(p);
      pixels.mask.push_back(!inside);
    }
  }
  return pixels;
}

// The mask as a monochrome bitmap (white keeps the destination), the image as a 32-bit one.
HBITMAP MaskBitmap(const IconPixels& pixels) {
  const int32_t stride = ((pixels.width + 15) / 16) * 2;
  std::vector<uint8_t> bits(static_cast<size_t>(stride) * pixels.height, 0);
  for (int32_t y = 0; y < pixels.height; ++y) {
    for (int32_t x = 0; x < pixels.width; ++x) {
      if (pixels.mask[static_cast<size_t>(y) * pixels.width + x])
        bits[static_cast<size_t>(y) * stride + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    }
  }
  return CreateBitmap(pixels.width, pixels.height, 1, 1, bits.data());
}

HBITMAP ImageBitmap(const IconPixels& pixels) {
  return CreateBitmap(pixels.width, pixels.height, 1, 32, pixels.image.data());
}

// Stretches one bitmap of the icon onto dc through a memory context, then deletes the bitmap.
bool BlitBitmap(HDC dc, int32_t x, int32_t y, int32_t width, int32_t height, HBITMAP bitmap,
                const IconPixels& pixels, DWORD rop) {
  if (!bitmap) return false;
  const HDC memory = CreateCompatibleDC(nullptr);
  const HGDIOBJ previous = SelectObject(memory, bitmap);
  const BOOL done =
      StretchBlt(dc, x, y, width, height, memory, 0, 0, pixels.width, pixels.height, rop);
  SelectObject(memory, previous);
  DeleteDC(memory);
  DeleteObject(bitmap);
  return done != FALSE;
}

}  // namespace

HICON LoadIcon(HINSTANCE module, LPCSTR name) {
  if (!name) return nullptr;
  IconTable& table = Table();
  if (!module) {
    if (reinterpret_cast<uintptr_t>(name) != IDI_APPLICATION) return nullptr;
    if (!table.stockApplication) {
      table.stockApplication = reinterpret_cast<uintptr_t>(Register(StockApplicationIcon(), true));
    }
    return reinterpret_cast<HICON>(table.stockApplication);
  }
  const std::optional<uint16_t> image = ChooseImage(ResourceBytes(module, name, RT_GROUP_ICON));
  if (!image) return nullptr;
  const std::span<const uint8_t> bytes = ResourceBytes(module, MAKEINTRESOURCEA(*image), RT_ICON);
  const auto key = std::make_pair(bytes.data(), bytes.size());
  auto found = table.sharedOf.find(key);
  if (found != table.sharedOf.end() &&
      std::equal(bytes.begin(), bytes.end(), found->second.bytes.begin(),
                 found->second.bytes.end())) {
    return reinterpret_cast<HICON>(found->second.handle);
  }
  std::optional<IconPixels> pixels = DecodeIconImage(bytes);
  if (!pixels) return nullptr;
  const HICON icon = Register(std::move(*pixels), true);
  table.sharedOf[key] = SharedIcon{reinterpret_cast<uintptr_t>(icon), {bytes.begin(), bytes.end()}};
  return icon;
}

HICON CreateIconFromResource(const uint8_t* bytes, DWORD size, BOOL isIcon, DWORD version) {
  if (!bytes || !isIcon || version != kIconVersion) return nullptr;
  std::optional<IconPixels> pixels = DecodeIconImage({bytes, size});
  return pixels ? Register(std::move(*pixels), false) : nullptr;
}

BOOL DestroyIcon(HICON icon) {
  auto& byHandle = Table().byHandle;
  auto found = byHandle.find(reinterpret_cast<uintptr_t>(icon));
  if (found == byHandle.end()) return FALSE;
  if (!found->second.shared) byHandle.erase(found);
  return TRUE;
}

BOOL DrawIcon(HDC dc, int32_t x, int32_t y, HICON icon) {
  return DrawIconEx(dc, x, y, icon, 0, 0, 0, nullptr, DI_NORMAL | DI_DEFAULTSIZE);
}

BOOL DrawIconEx(HDC dc, int32_t x, int32_t y, HICON icon, int32_t width, int32_t height,
                UINT /*step*/, HBRUSH /*flickerFreeBrush*/, UINT flags) {
  const IconPixels* pixels = Find(icon);
  if (!pixels || !LookupDC(dc) || (flags & DI_NORMAL) == 0) return FALSE;
  const bool defaultSize = (flags & DI_DEFAULTSIZE) != 0;
  if (width == 0) width = defaultSize ? GetSystemMetrics(SM_CXICON) : pixels->width;
  if (height == 0) height = defaultSize ? GetSystemMetrics(SM_CYICON) : pixels->height;
  const bool both = (flags & DI_NORMAL) == DI_NORMAL;
  if (flags & DI_MASK) {
    // A monochrome source becomes the destination's text colour (0) and background colour (1):
    // black where the icon is opaque, white where the destination stays.
    const COLORREF text = SetTextColor(dc, RGB(0, 0, 0));
    const COLORREF back = SetBkColor(dc, RGB(255, 255, 255));
    const bool done =
        BlitBitmap(dc, x, y, width, height, MaskBitmap(*pixels), *pixels, both ? SRCAND : SRCCOPY);
    SetTextColor(dc, text);
    SetBkColor(dc, back);
    if (!done) return FALSE;
  }
  if ((flags & DI_IMAGE) && !BlitBitmap(dc, x, y, width, height, ImageBitmap(*pixels), *pixels,
                                        both ? SRCINVERT : SRCCOPY)) {
    return FALSE;
  }
  return TRUE;
}

bool GetIconPixels(HICON icon, IconPixels* out) {
  const IconPixels* pixels = Find(icon);
  if (!pixels) return false;
  if (out) *out = *pixels;
  return true;
}
