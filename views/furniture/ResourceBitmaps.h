#pragma once
// Pictures kept among the program's bitmap resources (packed DIBs: header, colour table, bits)
// drawn into a window with a palette made from their colour table.

#include <cstdint>
#include <span>

#include "platform/win32/GdiTypes.h"
#include "platform/win32/Resource.h"
#include "platform/win32/WindowTypes.h"

// A palette of the DIB's colour table (as many entries as the header says it uses, all 2^bits
// when it says 0); null for DIBs of more than 8 bits or a header too short to read. `count` is
// the number of entries.
HPALETTE CreateDIBPalette(std::span<const uint8_t> dib, int32_t& count);
// The bitmap resource `id` of the module with its palette in `palette` (null when it has none);
// null, `palette` untouched, when there is no such resource or it is malformed.
HBITMAP LoadDIBResource(HMODULE module, int16_t id, HPALETTE& palette);
// Draws the bitmap resource `id` of the resource module at (x, y) of the window; nothing when
// there is no such resource.
void DrawResourceBitmap(HWND window, int32_t x, int32_t y, int16_t id);
// The module the program's resources are loaded from now.
HMODULE GetResourceModule();
