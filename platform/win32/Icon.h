#pragma once
// Icons: a colour image and an AND mask of the same size. Drawing one ANDs the mask onto the
// destination (a set mask bit keeps the destination pixel) and then XORs the image onto it, so
// the background shows wherever the mask says so. Icons come from the resource modules (an icon
// group names its images, each a device-independent bitmap of image and mask, or a PNG image),
// or are the stock application icon.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/win32/GdiTypes.h"
#include "platform/win32/Resource.h"

struct HICON__;
using HICON = HICON__*;

inline constexpr uintptr_t IDI_APPLICATION = 32512;

// DrawIconEx flags.
inline constexpr UINT DI_MASK = 0x0001;
inline constexpr UINT DI_IMAGE = 0x0002;
inline constexpr UINT DI_NORMAL = 0x0003;
inline constexpr UINT DI_DEFAULTSIZE = 0x0008;

// Without a module: the stock icon of that number (null for any but IDI_APPLICATION). With one:
// the icon group of that name (or MAKEINTRESOURCE id) of the module, its image nearest to the
// system icon size; null when the module has no such group or its image is missing or
// malformed. Icons loaded this way are shared: loading the same one again answers the same
// handle, and they live as long as the program.
HICON LoadIcon(HINSTANCE module, LPCSTR name);
inline HICON LoadIcon(HINSTANCE module, uintptr_t id) {
  return LoadIcon(module, reinterpret_cast<LPCSTR>(id));
}
// An icon of its own from the bytes of one icon image (a DIB whose height counts image and mask,
// or a PNG image); null when the bytes are malformed or run short. `isIcon` false (a cursor
// image) and versions other than 0x00030000 are refused.
HICON CreateIconFromResource(const uint8_t* bytes, DWORD size, BOOL isIcon, DWORD version);
// Frees an icon made by CreateIconFromResource; shared icons stay. FALSE for an unknown handle.
BOOL DestroyIcon(HICON icon);

// Draws the icon at the system icon size with its top left at (x, y).
BOOL DrawIcon(HDC dc, int32_t x, int32_t y, HICON icon);
// Draws the icon stretched to width x height (0: the icon's own size, or the system icon size
// with DI_DEFAULTSIZE). DI_MASK alone copies the mask (black where the icon is opaque, white
// where it is transparent), DI_IMAGE alone copies the image, both composite. The step and the
// flicker-free brush are not used.
BOOL DrawIconEx(HDC dc, int32_t x, int32_t y, HICON icon, int32_t width, int32_t height, UINT step,
                HBRUSH flickerFreeBrush, UINT flags);

// The icon's pixels: the image (0x00rrggbb, row by row from the top) and the mask (true keeps
// the destination). False for an unknown handle.
struct IconPixels {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> image;
  std::vector<bool> mask;
};
bool GetIconPixels(HICON icon, IconPixels* out);
