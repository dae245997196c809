#pragma once
// The clipboard as typed scraps: "TEXT", "PICT" (a metafile picture) and the program's own
// object format "ZAZU", which travels in a private format registered under that name. Every
// call opens and closes the clipboard itself and answers -46 when it cannot be opened or does
// not hold the type; nothing raises.

#include <cstdint>

#include "core/Handle.h"

inline constexpr int16_t kErrClipboard = -46;

// When the clipboard holds data for the type, records it as the pending scrap.
void PrepareClipboardType(uint32_t scrapType);
bool HasPendingScrap();
uint32_t PendingScrapType();
void ClearPendingScrap();

// Copies the handle's bytes to the clipboard without emptying it first: "TEXT" as OEM text,
// "PICT" (a metafile picture record) with a fresh copy of its metafile, "ZAZU" as the private
// format with the byte count in the 4 bytes after the data.
int16_t PutClipboardScrap(uint32_t scrapType, Handle data);
bool EmptyClipboardScrap();
// With a null handle only reports whether the type is there. "TEXT" copies the text up to its
// NUL; "PICT" copies the metafile picture record (a bitmap becomes a record of mapping mode 8,
// its size and a new metafile that draws it); "ZAZU" copies the byte count stored with it,
// which must fit inside the block.
int16_t GetClipboardScrap(Handle data, uint32_t scrapType);
